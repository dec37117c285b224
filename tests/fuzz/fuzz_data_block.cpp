// The file-data block: chunk framing, chunk CRCs, Blowfish and xz per chunk, and the file records
// in the decoded stream.
//
// Input: mode byte, then a block of chunks [u32 length][u32 CRC][bytes] whose bytes are plain: the
// target rewrites each well-framed chunk as a package would hold it (enciphered when bit 1 is set,
// its CRC recomputed when bit 2 is set), so the fuzzer reaches the xz data and the records behind
// the checks. A chunk head that does not frame stops the rewriting; the rest is kept as it is.
//   mode bit 0: chunks are xz-compressed (ProductFlags bit 5)
//   mode bit 1: Blowfish
//   mode bit 2: recompute chunk CRCs
//   mode bit 3: encipher bare blocks (the plain bytes carry their own length word)
//   mode bit 4: the pulled source fails to read from a point derived from the block
// Every block is decoded twice, in memory and pulled through a reader; the two must agree. The
// decoded size planned from the chunk heads and xz indexes, when there is one, is the size decoded.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "fuzz_support.h"
#include "package/cipher.h"
#include "package/corrupt.h"
#include "package/crc32.h"
#include "package/data_block.h"
#include "package/file_record.h"

using namespace mv;

namespace {

const Blowfish& Cipher() {
  static const Blowfish cipher(fuzz::FixedKey());
  return cipher;
}

// The decoded stream is collected up to this size; a block that decodes to more is cut off there
// (the runtime writes such data to files as it decodes it).
constexpr std::size_t kMaxDecoded = 64u << 20;
struct DecodedTooLarge {};

Bytes PackageForm(std::span<const std::uint8_t> plain, std::uint8_t mode) {
  Bytes block;
  while (plain.size() >= 8) {
    const std::uint32_t length = LoadLe32(plain.data());
    if (length < 1 || length > plain.size() - 8) break;
    Bytes body(plain.begin() + 8, plain.begin() + 8 + length);
    std::uint32_t crc = LoadLe32(plain.data() + 4);
    if (mode & 2) {
      if (mode & 8) {
        for (std::size_t i = 0; i + 8 <= body.size(); i += 8) Cipher().EncryptBlock(body.data() + i);
      } else {
        BlowfishEncryptBuffer(Cipher(), body);
      }
    }
    if (mode & 4) crc = Crc32(body);
    AppendLe32(block, static_cast<std::uint32_t>(body.size()));
    AppendLe32(block, crc);
    block.insert(block.end(), body.begin(), body.end());
    plain = plain.subspan(8 + length);
  }
  block.insert(block.end(), plain.begin(), plain.end());
  return block;
}

struct Outcome {
  int code = 0;          // the corrupt-installer code, 0 when the block decoded
  bool read_failed = false;
  bool cut_off = false;
  Bytes decoded;
  bool operator==(const Outcome&) const = default;
};

Outcome Decode(DataBlockSource& source, const DataBlockOptions& base) {
  Outcome out;
  std::uint64_t last_consumed = 0;
  DataBlockOptions options = base;
  options.progress = [&](std::uint64_t consumed, std::uint64_t total) {
    MV_FUZZ_CHECK(consumed > last_consumed && consumed <= total && total == source.Size());
    last_consumed = consumed;
  };
  try {
    DecodeDataBlock(source, options, [&](std::span<const std::uint8_t> part) {
      MV_FUZZ_CHECK(!part.empty() && part.size() <= kXzPortion);
      if (part.size() > kMaxDecoded - out.decoded.size()) throw DecodedTooLarge{};
      out.decoded.insert(out.decoded.end(), part.begin(), part.end());
    });
    MV_FUZZ_CHECK(last_consumed == source.Size());
  } catch (const CorruptPackage& e) {
    MV_FUZZ_CHECK(e.code() >= 60 && e.code() <= 63);
    out.code = e.code();
  } catch (const FatalPackageError&) {
    out.read_failed = true;
  } catch (const DecodedTooLarge&) {
    out.cut_off = true;
  }
  return out;
}

// Walks the file records of a decoded stream as the installer does: head, then data_size bytes.
void WalkRecords(std::span<const std::uint8_t> stream) {
  while (!stream.empty()) {
    ParsedFileRecord parsed;
    try {
      parsed = ParseFileRecordHead(stream);
    } catch (const CorruptPackage& e) {
      MV_FUZZ_CHECK(e.code() == 101 || e.code() == 70);
      return;
    }
    MV_FUZZ_CHECK(parsed.head_length >= kFileRecordHeadSize && parsed.head_length <= stream.size());
    MV_FUZZ_CHECK(!parsed.record.name.empty());
    // Written again (with the shortest length prefixes), the head reads back the same.
    const Bytes head = SerializeFileRecordHead(parsed.record);
    MV_FUZZ_CHECK(head.size() <= parsed.head_length);
    const ParsedFileRecord again = ParseFileRecordHead(head);
    MV_FUZZ_CHECK(again.head_length == head.size() && again.record == parsed.record);
    stream = stream.subspan(parsed.head_length);
    if (parsed.record.data_size > stream.size()) return;
    stream = stream.subspan(parsed.record.data_size);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Front in({data, size});
  const std::uint8_t mode = in.U8();
  if (!fuzz::XzDictionaryFits(in.Rest())) return 0;
  const Bytes block = PackageForm(in.Rest(), mode);

  DataBlockOptions options;
  options.chunks_compressed = (mode & 1) != 0;
  options.blowfish = (mode & 2) ? &Cipher() : nullptr;

  MemoryDataSource memory(block);
  PackageHeader header;
  header.data_crc = Crc32(block);
  CheckDataBlockCrc(memory, header);
  const Outcome in_memory = Decode(memory, options);
  MV_FUZZ_CHECK(!in_memory.read_failed);

  const std::uint64_t fail_from = (mode & 16) ? header.data_crc % (block.size() + 1) : block.size();
  PullDataSource pulled(
      block.size(),
      [&](std::uint64_t offset, std::span<std::uint8_t> out) {
        MV_FUZZ_CHECK(offset <= block.size() && out.size() <= block.size() - offset);
        if (offset + out.size() > fail_from) return false;
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
        return true;
      },
      1000);
  const Outcome from_reader = Decode(pulled, options);
  if (fail_from == block.size()) {
    MV_FUZZ_CHECK(from_reader == in_memory);
    header.data_crc ^= 1;
    bool refused = false;
    try {
      CheckDataBlockCrc(pulled, header);
    } catch (const CorruptPackage& e) {
      refused = e.code() == 55;
    }
    MV_FUZZ_CHECK(refused);
  }

  const std::optional<std::uint64_t> planned = PlannedDecodedSize(memory, options);
  MV_FUZZ_CHECK(!planned || options.blowfish == nullptr);
  if (planned && in_memory.code == 0 && !in_memory.cut_off) MV_FUZZ_CHECK(*planned == in_memory.decoded.size());

  if (in_memory.code == 0 && !in_memory.cut_off) WalkRecords(in_memory.decoded);
  return 0;
}
