// Positioned reads of a whole range from an open file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

namespace mv {

// Fills `out` with the file's bytes at `offset`; false when the range cannot be read completely.
bool ReadFileAt(HANDLE file, std::uint64_t offset, std::span<std::uint8_t> out);

}  // namespace mv
