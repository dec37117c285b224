#include "package/reader.h"

#include <algorithm>
#include <cstring>

namespace mv {

std::u16string Utf16FromLeBytes(std::span<const std::uint8_t> bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char16_t>(LoadLe16(&bytes[2 * i]));
  return out;
}

bool PackageReader::Fail() {
  failed_ = true;
  pos_ = data_.size();
  return false;
}

const std::uint8_t* PackageReader::Take(std::size_t n) {
  if (failed_ || n > remaining()) {
    Fail();
    return nullptr;
  }
  const std::uint8_t* p = data_.data() + pos_;
  pos_ += n;
  return p;
}

bool PackageReader::U8(std::uint8_t& out) {
  const std::uint8_t* p = Take(1);
  if (!p) return false;
  out = *p;
  return true;
}

bool PackageReader::U16(std::uint16_t& out) {
  const std::uint8_t* p = Take(2);
  if (!p) return false;
  out = LoadLe16(p);
  return true;
}

bool PackageReader::U32(std::uint32_t& out) {
  const std::uint8_t* p = Take(4);
  if (!p) return false;
  out = LoadLe32(p);
  return true;
}

bool PackageReader::I32(std::int32_t& out) {
  const std::uint8_t* p = Take(4);
  if (!p) return false;
  out = static_cast<std::int32_t>(LoadLe32(p));
  return true;
}

bool PackageReader::U64(std::uint64_t& out) {
  const std::uint8_t* p = Take(8);
  if (!p) return false;
  out = LoadLe64(p);
  return true;
}

bool PackageReader::F64(double& out) {
  const std::uint8_t* p = Take(8);
  if (!p) return false;
  const std::uint64_t bits = LoadLe64(p);
  std::memcpy(&out, &bits, sizeof out);
  return true;
}

bool PackageReader::StrLength(std::size_t& length) {
  const std::uint8_t* b = Take(1);
  if (!b) return false;
  if (*b < 255) {
    length = *b;
    return true;
  }
  const std::uint8_t* c = Take(1);
  if (!c) return false;
  if (*c < 255) {
    const std::uint8_t* hi = Take(1);
    if (!hi) return false;
    length = static_cast<std::size_t>(*c) + 256u * *hi;
    return true;
  }
  const std::uint8_t* p = Take(4);
  if (!p) return false;
  // The long form is a signed length: above the limit is a failure, zero or less an empty text.
  const auto declared = static_cast<std::int32_t>(LoadLe32(p));
  if (declared > static_cast<std::int32_t>(kMaxStrLength)) return Fail();
  length = declared > 0 ? static_cast<std::size_t>(declared) : 0;
  return true;
}

bool PackageReader::CountedBytes(std::size_t n, Bytes& out) {
  const std::uint8_t* p = Take(n);
  if (!p) return false;
  out.assign(p, p + n);
  return true;
}

bool PackageReader::Str(Bytes& out) {
  std::size_t n = 0;
  return StrLength(n) && CountedBytes(n, out);
}

bool PackageReader::StrW(std::u16string& out) {
  std::size_t n = 0;
  if (!StrLength(n)) return false;
  const std::uint8_t* p = Take(n);
  if (!p) return false;
  out = Utf16FromLeBytes({p, n});
  return true;
}

bool PackageReader::StrA(std::string& out) {
  std::size_t n = 0;
  if (!StrLength(n)) return false;
  const std::uint8_t* p = Take(n);
  if (!p) return false;
  out.assign(reinterpret_cast<const char*>(p), n);
  return true;
}

bool PackageReader::Blob8(Bytes& out) {
  std::uint8_t n = 0;
  return U8(n) && CountedBytes(n, out);
}

bool PackageReader::Blob16(Bytes& out) {
  std::uint16_t n = 0;
  return U16(n) && CountedBytes(n, out);
}

bool PackageReader::Blob32(Bytes& out) {
  std::int32_t n = 0;
  if (!I32(n)) return false;
  return CountedBytes(n > 0 ? static_cast<std::size_t>(n) : 0, out);
}

bool PackageReader::Blob8W(std::u16string& out) {
  Bytes bytes;
  if (!Blob8(bytes)) return false;
  out = Utf16FromLeBytes(bytes);
  return true;
}

bool PackageReader::Blob16W(std::u16string& out) {
  Bytes bytes;
  if (!Blob16(bytes)) return false;
  out = Utf16FromLeBytes(bytes);
  return true;
}

bool PackageReader::Blob8A(std::string& out) {
  Bytes bytes;
  if (!Blob8(bytes)) return false;
  out.assign(bytes.begin(), bytes.end());
  return true;
}

bool PackageReader::Str8z(std::string& out) {
  if (failed_) return false;
  const auto rest = data_.subspan(pos_);
  const auto zero = std::find(rest.begin(), rest.end(), std::uint8_t{0});
  if (zero == rest.end()) return Fail();
  const auto n = static_cast<std::size_t>(zero - rest.begin());
  out.assign(reinterpret_cast<const char*>(rest.data()), n);
  pos_ += n + 1;
  return true;
}

bool PackageReader::Str16z(std::u16string& out) {
  if (failed_) return false;
  const auto rest = data_.subspan(pos_);
  for (std::size_t i = 0; i + 1 < rest.size(); i += 2) {
    if (rest[i] == 0 && rest[i + 1] == 0) {
      out = Utf16FromLeBytes(rest.first(i));
      pos_ += i + 2;
      return true;
    }
  }
  return Fail();
}

bool PackageReader::Block(std::span<std::uint8_t> out) {
  const std::uint8_t* p = Take(out.size());
  if (!p) return false;
  std::copy_n(p, out.size(), out.begin());
  return true;
}

bool PackageReader::Block(std::size_t n, Bytes& out) { return CountedBytes(n, out); }

}  // namespace mv
