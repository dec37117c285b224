// The executable's headers: locating the package section, the file CRC over the part before it,
// and the uninstaller image cut from the installer. Input: the installer file's bytes.
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "package/corrupt.h"
#include "package/crc32.h"
#include "package/installer_file.h"
#include "package/pe.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  SectionInfo info;
  try {
    info = LocateSection(file);
  } catch (const CorruptPackage& e) {
    MV_FUZZ_CHECK(e.code() == 43 || e.code() == 44 || e.code() == 9);
    return 0;
  } catch (const FatalPackageError&) {
    return 0;
  }
  MV_FUZZ_CHECK(info.header_offset >= 64 && info.header_offset <= 4096);
  MV_FUZZ_CHECK(info.section_count >= 4 && info.section_count <= 99);
  MV_FUZZ_CHECK(info.raw_offset != 0);
  MV_FUZZ_CHECK(info.entry_offset + kSectionEntrySize <= size);

  // What the runtime reads: the file up to the section, and what follows the section.
  const std::size_t before_size = std::min<std::size_t>(info.raw_offset, size);
  const auto before = file.first(before_size);
  const auto after = file.subspan(std::min<std::size_t>(size, std::size_t{info.raw_offset} + info.raw_size));

  const std::size_t crc_start = std::size_t{info.header_offset} + kPeChecksumEnd;
  if (before.size() >= crc_start) {
    const std::uint32_t crc = Crc32(before.subspan(crc_start));
    VerifyFileCrc(before, info.header_offset, crc);  // the right CRC passes
    bool refused = false;
    try {
      VerifyFileCrc(before, info.header_offset, crc ^ 1);
    } catch (const CorruptPackage& e) {
      refused = e.code() == 40;
    }
    MV_FUZZ_CHECK(refused);
  }

  try {
    const Bytes image = BuildUninstallerImage(before, after, info);
    MV_FUZZ_CHECK(image.size() == before.size() + after.size());
    MV_FUZZ_CHECK(LoadLe16(image.data() + info.header_offset + kPeSectionCountOffset) == info.section_count - 1);
    // The slot freed at the end of the table is zeroed.
    const std::size_t table = info.header_offset + kPeOptionalHeaderOffset +
                              LoadLe16(image.data() + info.header_offset + kPeOptionalHeaderSizeOffset);
    const std::size_t last = table + (info.section_count - 1) * kSectionEntrySize;
    for (std::size_t i = 0; i < kSectionEntrySize; ++i) MV_FUZZ_CHECK(image[last + i] == 0);
  } catch (const CorruptPackage& e) {
    MV_FUZZ_CHECK(e.code() == 35);
  }
  return 0;
}
