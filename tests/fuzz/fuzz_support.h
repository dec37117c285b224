// Shared pieces of the fuzz targets: reading a target's own option bytes from the front of the
// input, the fixed Blowfish key the derived packages use, the small runtime image they are added
// to, and the check that stops a target on a broken invariant.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "base/bytes.h"
#include "package/header.h"

namespace mv::fuzz {

// A broken invariant is a finding: report where and abort so libFuzzer keeps the input.
#define MV_FUZZ_CHECK(condition)                                                          \
  do {                                                                                     \
    if (!(condition)) {                                                                    \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)

// Takes option bytes off the front of the input; missing bytes read as zero.
class Front {
 public:
  explicit Front(std::span<const std::uint8_t> data) : data_(data) {}
  std::uint8_t U8() {
    if (data_.empty()) return 0;
    const std::uint8_t v = data_[0];
    data_ = data_.subspan(1);
    return v;
  }
  // Little-endian; the reads are sequenced statements, not operands of one expression.
  std::uint16_t U16() {
    const std::uint16_t low = U8();
    return static_cast<std::uint16_t>(low | (U8() << 8));
  }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | (static_cast<std::uint32_t>(U16()) << 16);
  }
  std::span<const std::uint8_t> Take(std::size_t n) {
    n = n < data_.size() ? n : data_.size();
    auto part = data_.first(n);
    data_ = data_.subspan(n);
    return part;
  }
  std::span<const std::uint8_t> Rest() const { return data_; }

 private:
  std::span<const std::uint8_t> data_;
};

inline const std::array<std::uint8_t, kBlowfishKeySize>& FixedKey() {
  static const std::array<std::uint8_t, kBlowfishKeySize> key = [] {
    std::array<std::uint8_t, kBlowfishKeySize> k{};
    for (std::size_t i = 0; i < k.size(); ++i) k[i] = static_cast<std::uint8_t>(0x5A ^ (i * 29));
    return k;
  }();
  return key;
}

// liblzma allocates an LZMA2 dictionary of the size a block header declares, up to 4 GiB, and
// the runtime sets no memory limit on purpose. Inputs that declare more than this cap are skipped
// so that the fuzzers' allocation limit keeps catching allocations the input does not justify.
// (A block header is CRC-checked before its dictionary is allocated, so mutations rarely get
// there; the targets that hand the decoder bytes they can see check them anyway.)
inline constexpr std::uint64_t kMaxFuzzDictionary = 64u << 20;

// False when `xz` contains an LZMA2 filter-flags record (id 0x21, one property byte) whose
// dictionary exceeds kMaxFuzzDictionary. Scanning every position also catches blocks of
// concatenated streams; a stray match only skips the input.
inline bool XzDictionaryFits(std::span<const std::uint8_t> xz) {
  for (std::size_t i = 0; i + 2 < xz.size(); ++i) {
    if (xz[i] != 0x21 || xz[i + 1] != 0x01) continue;
    const unsigned bits = xz[i + 2];
    if (bits > 40) continue;  // not a valid dictionary byte: the decoder refuses it
    const std::uint64_t dict = bits == 40 ? 0xFFFFFFFFull : (2ull | (bits & 1)) << (bits / 2 + 11);
    if (dict > kMaxFuzzDictionary) return false;
  }
  return true;
}

}  // namespace mv::fuzz
