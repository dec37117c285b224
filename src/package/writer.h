// Builds the byte forms that PackageReader reads: the settings stream and the lists after it.
// Values that the format cannot hold (a Blob8 over 255 bytes, a Str above the length limit, a zero
// inside a zero-terminated text) throw std::length_error or std::invalid_argument rather than being
// written in a form the runtime would misread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "base/bytes.h"

namespace mv {

class PackageWriter {
 public:
  const Bytes& bytes() const { return out_; }
  Bytes Take() { return std::move(out_); }

  void U8(std::uint8_t v) { out_.push_back(v); }
  void U16(std::uint16_t v) { AppendLe16(out_, v); }
  void U32(std::uint32_t v) { AppendLe32(out_, v); }
  void I32(std::int32_t v) { AppendLe32(out_, static_cast<std::uint32_t>(v)); }
  void U64(std::uint64_t v) { AppendLe64(out_, v); }
  void F64(double v);
  void Colour(std::uint32_t v) { U32(v); }

  // Length-prefixed text, always in the shortest form the reader accepts for its length:
  // below 255 one byte; up to 0xFFFF with a low byte other than 255 the bytes 255, low, high;
  // otherwise 255, 255 and the 32-bit length (a low byte of 255 would read as that marker).
  void Str(std::span<const std::uint8_t> bytes);
  void StrW(std::u16string_view text);
  void StrA(std::string_view text);

  void Blob8(std::span<const std::uint8_t> bytes);
  void Blob16(std::span<const std::uint8_t> bytes);
  void Blob32(std::span<const std::uint8_t> bytes);
  void Blob8W(std::u16string_view text);
  void Blob16W(std::u16string_view text);
  void Blob8A(std::string_view text);

  void Str8z(std::string_view text);
  void Str16z(std::u16string_view text);

  void Block(std::span<const std::uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }

 private:
  void StrPrefix(std::size_t length);

  Bytes out_;
};

// UTF-16 units as UTF-16LE bytes.
Bytes Utf16ToLeBytes(std::u16string_view text);

}  // namespace mv
