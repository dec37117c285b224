// Positioned reads and writes of a whole range of an open file, safe to make from several threads at
// once on one handle (the position is given with each call, not taken from the handle).
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

namespace mv {

// Fills `out` with the file's bytes at `offset`; false when the range cannot be read completely.
bool ReadFileAt(HANDLE file, std::uint64_t offset, std::span<std::uint8_t> out);
// Writes `bytes` at `offset`; false (with the system's error) unless all were written.
bool WriteFileAt(HANDLE file, std::uint64_t offset, std::span<const std::uint8_t> bytes);

}  // namespace mv
