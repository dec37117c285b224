#include "package/crc32.h"

#include <zlib.h>

#include <algorithm>

namespace mv {

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t start) {
  uLong crc = start;
  const std::uint8_t* p = bytes.data();
  size_t left = bytes.size();
  // zlib takes an unsigned int length; feed large regions in pieces.
  while (left > 0) {
    auto n = static_cast<uInt>(std::min<size_t>(left, 1u << 30));
    crc = crc32(crc, p, n);
    p += n;
    left -= n;
  }
  return static_cast<std::uint32_t>(crc);
}

}  // namespace mv
