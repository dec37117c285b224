#include "package/writer.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "package/reader.h"

namespace mv {

namespace {
std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}
}  // namespace

Bytes Utf16ToLeBytes(std::u16string_view text) {
  Bytes out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) AppendLe16(out, c);
  return out;
}

void PackageWriter::F64(double v) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  U64(bits);
}

void PackageWriter::StrPrefix(std::size_t length) {
  if (length > kMaxStrLength) {
    throw std::length_error("text of " + std::to_string(length) + " bytes exceeds the package limit");
  }
  if (length < 255) {
    U8(static_cast<std::uint8_t>(length));
  } else if (length <= 0xFFFF && (length & 0xFF) != 0xFF) {
    U8(255);
    U16(static_cast<std::uint16_t>(length));
  } else {
    U8(255);
    U8(255);
    U32(static_cast<std::uint32_t>(length));
  }
}

void PackageWriter::Str(std::span<const std::uint8_t> bytes) {
  StrPrefix(bytes.size());
  Block(bytes);
}

void PackageWriter::StrW(std::u16string_view text) { Str(Utf16ToLeBytes(text)); }

void PackageWriter::StrA(std::string_view text) { Str(AsBytes(text)); }

void PackageWriter::Blob8(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > 0xFF)
    throw std::length_error("Blob8 value of " + std::to_string(bytes.size()) + " bytes");
  U8(static_cast<std::uint8_t>(bytes.size()));
  Block(bytes);
}

void PackageWriter::Blob16(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > 0xFFFF)
    throw std::length_error("Blob16 value of " + std::to_string(bytes.size()) + " bytes");
  U16(static_cast<std::uint16_t>(bytes.size()));
  Block(bytes);
}

void PackageWriter::Blob32(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > 0x7FFFFFFF) throw std::length_error("Blob32 value too large");
  I32(static_cast<std::int32_t>(bytes.size()));
  Block(bytes);
}

void PackageWriter::Blob8W(std::u16string_view text) { Blob8(Utf16ToLeBytes(text)); }

void PackageWriter::Blob16W(std::u16string_view text) { Blob16(Utf16ToLeBytes(text)); }

void PackageWriter::Blob8A(std::string_view text) { Blob8(AsBytes(text)); }

void PackageWriter::Str8z(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) {
    throw std::invalid_argument("zero-terminated text contains a zero byte");
  }
  Block(AsBytes(text));
  U8(0);
}

void PackageWriter::Str16z(std::u16string_view text) {
  if (text.find(u'\0') != std::u16string_view::npos) {
    throw std::invalid_argument("zero-terminated text contains a zero unit");
  }
  Block(Utf16ToLeBytes(text));
  U16(0);
}

}  // namespace mv
