// Settings-block decoding with the fuzzer choosing the plain bytes: the target hides them the way a
// package does (descrambled with SettingsCrc, or Blowfish with the length word or as bare blocks),
// wraps them in a header and decodes the section. The xz data itself is then what is fuzzed, on
// both paths, and the one-shot and incremental xz decoders are compared.
//
// Input: mode byte, SettingsCrc (4 bytes, little-endian), the plain settings block.
//   mode bit 0: Blowfish (else descrambled)
//   mode bit 1: Blowfish as bare blocks: the fuzzer's bytes hold the length word themselves
//   mode bit 2: decode with the header's key rather than a prepared key schedule
//   mode bits 3-5: portion size for the incremental decoder
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>

#include "fuzz_support.h"
#include "package/cipher.h"
#include "package/corrupt.h"
#include "package/header.h"
#include "package/package_builder.h"
#include "package/xz.h"

using namespace mv;

namespace {

const Blowfish& Cipher() {
  static const Blowfish cipher(fuzz::FixedKey());
  return cipher;
}

// The incremental decoder over `input` in portions of `portion` bytes.
std::optional<Bytes> DecodeInPortions(std::span<const std::uint8_t> input, std::size_t portion) {
  Bytes out;
  XzStreamDecoder decoder([&](std::span<const std::uint8_t> part) {
    MV_FUZZ_CHECK(!part.empty() && part.size() <= kXzPortion);
    out.insert(out.end(), part.begin(), part.end());
  });
  for (std::size_t at = 0; at < input.size(); at += portion) {
    if (!decoder.Feed(input.subspan(at, std::min(portion, input.size() - at)))) return std::nullopt;
  }
  if (!decoder.Finish()) return std::nullopt;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Front in({data, size});
  const std::uint8_t mode = in.U8();
  const std::uint32_t settings_crc = in.U32();
  const std::span<const std::uint8_t> plain = in.Rest();
  if (!fuzz::XzDictionaryFits(plain)) return 0;

  const bool blowfish = (mode & 1) != 0;
  const bool bare_blocks = (mode & 2) != 0;
  Bytes block(plain.begin(), plain.end());
  if (!blowfish) {
    Descramble(block, settings_crc);
  } else if (!bare_blocks) {
    BlowfishEncryptBuffer(Cipher(), block);
  } else {
    for (std::size_t i = 0; i + 8 <= block.size(); i += 8) Cipher().EncryptBlock(block.data() + i);
  }

  PackageHeader header;
  header.product_flags2 = blowfish ? kFlags2Blowfish : 0;
  if (blowfish) header.blowfish_key = fuzz::FixedKey();
  header.settings_crc = settings_crc;
  header.settings_size = static_cast<std::int32_t>(block.size());
  Bytes section = SerializeHeader(header);
  header.header_length = static_cast<std::uint32_t>(section.size());
  section.insert(section.end(), block.begin(), block.end());

  std::optional<Bytes> decoded;
  try {
    decoded = DecodeSettingsBlock(section, header, (mode & 4) ? nullptr : &Cipher());
    try {
      CheckSettingsCrc(*decoded, header);
    } catch (const CorruptPackage& e) {
      MV_FUZZ_CHECK(e.code() == 25);
    }
  } catch (const CorruptPackage& e) {
    MV_FUZZ_CHECK(e.code() == 47 || (e.code() == 22 && block.empty()));
  }

  // Hiding and uncovering are inverses, so the block decodes exactly as the plain bytes do.
  const std::optional<Bytes> direct = XzDecompress(plain);
  if (!(blowfish && bare_blocks)) {
    MV_FUZZ_CHECK(decoded.has_value() == direct.has_value());
    if (decoded) MV_FUZZ_CHECK(*decoded == *direct);
  }

  // The incremental decoder agrees with the one-shot one, whatever the portion size.
  static constexpr std::size_t kPortions[] = {1, 2, 7, 64, 4096, 16383, kXzPortion, 1u << 20};
  const std::optional<Bytes> streamed = DecodeInPortions(plain, kPortions[(mode >> 3) & 7]);
  MV_FUZZ_CHECK(streamed.has_value() == direct.has_value());
  if (streamed) MV_FUZZ_CHECK(*streamed == *direct);
  return 0;
}
