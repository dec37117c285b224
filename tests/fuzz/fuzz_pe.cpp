// The executable's headers: locating the package section, the file CRC over the part before it,
// the certificate table of a signed installer and where it ends the file data, and the uninstaller
// image cut from the installer. Input: the installer file's bytes.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "package/corrupt.h"
#include "package/crc32.h"
#include "package/data_block.h"
#include "package/header.h"
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

  // What the runtime reads: the file up to the section.
  const std::size_t before_size = std::min<std::size_t>(info.raw_offset, size);
  const auto before = file.first(before_size);

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

  // The certificate table lies within the file.
  const FileRange table = FindCertificateTable(file, info.header_offset, size);
  if (table.length != 0) MV_FUZZ_CHECK(table.offset != 0 && table.end() <= size);

  // The file data after the section, for blocks starting at a few places and sizes around the
  // table's start: the block starts where the header says, stays in the file, and ends at the table
  // (or at most the alignment padding before it) when the table follows it.
  const std::uint64_t block_end = table.length != 0 ? table.offset : size;
  for (std::uint32_t settings_end : {0u, 8u, 512u}) {
    PackageHeader header;
    header.header_length = settings_end;
    const std::uint64_t start = std::uint64_t{info.raw_offset} + settings_end;
    for (std::int64_t below = -2; below <= 9; ++below) {
      header.data_size = static_cast<std::int32_t>(
          std::clamp<std::int64_t>(static_cast<std::int64_t>(block_end) - static_cast<std::int64_t>(start) - below,
                                   INT32_MIN, INT32_MAX));
      try {
        const FileRange range = ExternalDataBlockRange(size, info, header, table);
        MV_FUZZ_CHECK(range.offset == start && range.end() <= size);
        if (table.length != 0 && table.offset >= start) {
          MV_FUZZ_CHECK(range.end() <= table.offset && table.offset - range.end() < kCertificateTableAlignment);
        } else {
          MV_FUZZ_CHECK(range.end() == size);
        }
      } catch (const CorruptPackage& e) {
        MV_FUZZ_CHECK(e.code() == 46 && start > size);
      }
    }
  }

  try {
    const Bytes head = BuildUninstallerHead(before, info);
    MV_FUZZ_CHECK(head.size() == before.size());
    MV_FUZZ_CHECK(LoadLe16(head.data() + info.header_offset + kPeSectionCountOffset) == info.section_count - 1);
    // The slot freed at the end of the table is zeroed.
    const std::size_t section_table = info.header_offset + kPeOptionalHeaderOffset +
                                      LoadLe16(head.data() + info.header_offset + kPeOptionalHeaderSizeOffset);
    const std::size_t last = section_table + (info.section_count - 1) * kSectionEntrySize;
    for (std::size_t i = 0; i < kSectionEntrySize; ++i) MV_FUZZ_CHECK(head[last + i] == 0);
    // The uninstaller names no certificate table.
    MV_FUZZ_CHECK(FindCertificateTable(head, info.header_offset, head.size()).length == 0);
    if (const std::size_t entry = SecurityDirectoryEntry(head, info.header_offset))
      MV_FUZZ_CHECK(LoadLe32(head.data() + entry) == 0 && LoadLe32(head.data() + entry + 4) == 0);
  } catch (const CorruptPackage& e) {
    MV_FUZZ_CHECK(e.code() == 35);
  }

  // What follows the section in the uninstaller: in the file, never file data, never the table.
  for (bool external : {false, true}) {
    const FileRange tail = UninstallerTail(size, info, external, table);
    MV_FUZZ_CHECK(tail.end() <= size);
    if (external) MV_FUZZ_CHECK(tail.length == 0);
    if (table.length != 0 && tail.length != 0)
      MV_FUZZ_CHECK(tail.end() <= table.offset || tail.offset >= table.end());
  }
  return 0;
}
