// Sequential reader over the decoded settings stream (and the lists that follow it).
//
// Every read copies the next bytes into its destination and advances. A read that cannot be
// satisfied (too few bytes left, a length above the limit, a missing terminator) returns false,
// leaves its destination unchanged and puts the reader into a failed state: the position moves to
// the end and every later read fails as well. The stream is untrusted, so nothing is allocated for
// a declared length before the bytes behind it are known to be there.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/bytes.h"

namespace mv {

// The largest length a length-prefixed text may declare.
inline constexpr std::uint32_t kMaxStrLength = 0x40000000;

class PackageReader {
 public:
  explicit PackageReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return data_.size() - pos_; }
  bool failed() const { return failed_; }

  bool U8(std::uint8_t& out);
  bool U16(std::uint16_t& out);
  bool U32(std::uint32_t& out);
  bool I32(std::int32_t& out);
  bool U64(std::uint64_t& out);
  bool F64(double& out);
  // A Windows colour value, 0x00BBGGRR.
  bool Colour(std::uint32_t& out) { return U32(out); }

  // Length-prefixed text (see the prefix forms in the writer). Bytes as stored; W as UTF-16LE
  // (an odd trailing byte is dropped); A as raw 8-bit bytes in the package's code page.
  bool Str(Bytes& out);
  bool StrW(std::u16string& out);
  bool StrA(std::string& out);

  // A 1-, 2- or 4-byte byte count, then the bytes. The 4-byte count is signed; 0 or less is empty.
  bool Blob8(Bytes& out);
  bool Blob16(Bytes& out);
  bool Blob32(Bytes& out);
  bool Blob8W(std::u16string& out);
  bool Blob16W(std::u16string& out);
  bool Blob8A(std::string& out);

  // Zero-terminated texts; the terminator is consumed and not stored.
  bool Str8z(std::string& out);
  bool Str16z(std::u16string& out);

  // Exactly out.size() bytes.
  bool Block(std::span<std::uint8_t> out);
  // Exactly n bytes into a buffer (allocated only once the bytes are known to be there).
  bool Block(std::size_t n, Bytes& out);

  // Overloads for the common kinds, so that a field can be read with its type alone.
  bool Read(std::uint8_t& out) { return U8(out); }
  bool Read(std::uint16_t& out) { return U16(out); }
  bool Read(std::uint32_t& out) { return U32(out); }
  bool Read(std::int32_t& out) { return I32(out); }
  bool Read(std::uint64_t& out) { return U64(out); }
  bool Read(double& out) { return F64(out); }
  bool Read(Bytes& out) { return Str(out); }
  bool Read(std::u16string& out) { return StrW(out); }
  bool Read(std::string& out) { return StrA(out); }
  template <std::size_t N>
  bool Read(std::array<std::uint8_t, N>& out) {
    return Block(std::span<std::uint8_t>(out));
  }

 private:
  // The next n bytes, or nullptr (and the failed state) when fewer remain.
  const std::uint8_t* Take(std::size_t n);
  bool Fail();
  // Reads the declared length of a Str; false on failure, 0 for an empty text.
  bool StrLength(std::size_t& length);
  bool CountedBytes(std::size_t n, Bytes& out);

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// UTF-16LE bytes to UTF-16 units; an odd trailing byte is dropped.
std::u16string Utf16FromLeBytes(std::span<const std::uint8_t> bytes);

}  // namespace mv
