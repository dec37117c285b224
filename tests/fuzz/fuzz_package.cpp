// Whole installers built around fuzzed content: the fuzzer gives the decoded settings stream
// (settings and lists) and the decoded file-record stream, the package builder makes a consistent
// installer of them (scrambled or enciphered, compressed chunks or not, data in or after the
// section), and mvpack verify and inspect read it back. Every integrity check must pass on what the
// builder made; what may fail is only what the content itself gets wrong (settings or lists out of
// range, damaged records).
//
// Input: mode byte, a 16-bit length, the settings stream of that length, the record stream.
//   mode bit 0: Blowfish
//   mode bits 1-4: ProductFlags2 bits 24-27 (the colour groups)
//   mode bit 5: ProductFlags2 bit 5 (the uninstaller image is cut from the installer)
//   mode bits 6-7: chunk size
#include <cstdint>
#include <span>
#include <stdexcept>

#include "../unit/package_test_support.h"
#include "fuzz_support.h"
#include "inspect.h"
#include "package/corrupt.h"
#include "package/data_block.h"
#include "package/file_record.h"
#include "package/lists.h"
#include "package/package_builder.h"
#include "package/reader.h"
#include "package/settings.h"
#include "verify.h"

using namespace mv;

namespace {

const Bytes& Runtime() {
  static const Bytes runtime = mv::testing::MakeTestPe(mv::testing::FourSections());
  return runtime;
}

const Blowfish& Cipher() {
  static const Blowfish cipher(fuzz::FixedKey());
  return cipher;
}

// The file sizes as the records declare them, so that the header's table agrees with the records
// as far as they can be read.
std::vector<std::int32_t> DeclaredSizes(std::span<const std::uint8_t> records) {
  std::vector<std::int32_t> sizes;
  while (!records.empty() && sizes.size() < 1000) {
    ParsedFileRecord parsed;
    try {
      parsed = ParseFileRecordHead(records);
    } catch (const CorruptPackage&) {
      break;
    }
    if (parsed.record.data_size > static_cast<std::uint32_t>(kMaxFileSize)) break;  // the header refuses it
    sizes.push_back(static_cast<std::int32_t>(parsed.record.data_size));
    records = records.subspan(parsed.head_length);
    records = records.subspan(std::min<std::size_t>(records.size(), parsed.record.data_size));
  }
  return sizes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Front in({data, size});
  const std::uint8_t mode = in.U8();
  const std::span<const std::uint8_t> stream = in.Take(in.U16());
  const std::span<const std::uint8_t> records = in.Rest();

  PackageHeader header;
  header.product_flags2 = (static_cast<std::uint32_t>((mode >> 1) & 0xF) << 24) |
                          ((mode & 0x20) ? kFlags2UninstallerWithoutSection : 0);
  if (mode & 1) header.blowfish_key = fuzz::FixedKey();
  header.product_flags2 |= (mode & 1) ? kFlags2Blowfish : 0;
  header.file_sizes = DeclaredSizes(records);

  // Chunk compression and external data follow what the settings say, as the runtime reads them;
  // the verdict on the built installer is the one the stream's content earns by itself.
  int content_code = 0;
  Settings settings;
  try {
    PackageReader reader(stream);
    settings = ReadSettings(reader, header.product_flags2, false);
    ReadLists(reader);
  } catch (const CorruptPackage& e) {
    content_code = e.code();
  }
  DataBlockWriterOptions chunks;
  static constexpr std::size_t kChunkSizes[] = {16, 256, 4096, 1u << 20};
  chunks.chunk_size = kChunkSizes[mode >> 6];
  chunks.compress = (settings.ProductFlags & kFlagCompressedChunks) != 0;
  chunks.preset = 0;
  chunks.extreme = false;
  chunks.blowfish = (mode & 1) ? &Cipher() : nullptr;
  const Bytes block = EncodeDataBlock(records, chunks);

  PackageBuildOptions build;
  build.external_data = settings.ExternalData != 0;
  build.settings_preset = 0;
  build.settings_extreme = false;
  BuiltInstaller installer;
  try {
    installer = BuildInstaller(Runtime(), header, stream, block, build);
  } catch (const std::invalid_argument&) {
    return 0;  // external data shorter than the section's padding: the builder refuses it
  }

  // Verify walks the records too: with sound settings and lists only a record can be wrong (a head
  // that does not parse or is cut short, an empty name, a size off the table, an invalid kind).
  const mvpack::Verdict verdict = mvpack::VerifyInstaller(installer.file);
  const bool record_code = verdict.code == 101 || verdict.code == 70 || verdict.code == 72 || verdict.code == 73 ||
                           verdict.code == 110;
  const bool expected = content_code == 0
                            ? verdict.kind == mvpack::Verdict::kSound ||
                                  (verdict.kind == mvpack::Verdict::kCorrupt && record_code)
                            : verdict.kind == mvpack::Verdict::kCorrupt && verdict.code == content_code;
  if (!expected) {
    std::fprintf(stderr, "content code %d, verdict %d code %d: %s\n", content_code, static_cast<int>(verdict.kind),
                 verdict.code, verdict.message.c_str());
    MV_FUZZ_CHECK(expected);
  }
  if (content_code != 0) return 0;

  // Inspect reads the records with the same walker: it agrees with verify.
  int inspect_code = 0;
  try {
    const nlohmann::json project = mvpack::InspectInstaller(installer.file);
    (void)project.dump();
  } catch (const CorruptPackage& e) {
    inspect_code = e.code();
  }
  MV_FUZZ_CHECK(inspect_code == verdict.code);
  return 0;
}
