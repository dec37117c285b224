// Little-endian loads and stores over byte buffers. Callers check bounds before calling.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mv {

using Bytes = std::vector<std::uint8_t>;

inline std::uint16_t LoadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t LoadLe64(const std::uint8_t* p) {
  return LoadLe32(p) | (static_cast<std::uint64_t>(LoadLe32(p + 4)) << 32);
}
inline void StoreLe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void StoreLe64(std::uint8_t* p, std::uint64_t v) {
  StoreLe32(p, static_cast<std::uint32_t>(v));
  StoreLe32(p + 4, static_cast<std::uint32_t>(v >> 32));
}
inline void AppendLe16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void AppendLe32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void AppendLe64(Bytes& out, std::uint64_t v) {
  AppendLe32(out, static_cast<std::uint32_t>(v));
  AppendLe32(out, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace mv
