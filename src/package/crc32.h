// CRC-32 (the zlib polynomial) of every checked region of the package and of the installer file.
#pragma once

#include <cstdint>
#include <span>

namespace mv {

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t start = 0);

}  // namespace mv
