#include "package/pe.h"

#include "base/bytes.h"
#include "package/corrupt.h"

namespace mv {

namespace {

constexpr std::size_t kDosHeaderPeOffset = 60;
constexpr std::size_t kSectionNameSize = 8;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::size_t kSecurityDirectoryIndex = 4;
constexpr std::size_t kDataDirectoriesOffset = 120;  // from H, in a PE32 header

bool NameMatches(const std::uint8_t* entry, std::string_view name) {
  std::size_t length = 0;
  while (length < kSectionNameSize && entry[length] != 0) ++length;
  return std::string_view(reinterpret_cast<const char*>(entry), length) == name;
}

}  // namespace

SectionInfo LocateSection(std::span<const std::uint8_t> file, std::string_view name) {
  SectionInfo info;
  if (file.size() < kDosHeaderPeOffset + 2) throw CorruptPackage(43, "no PE header offset");
  std::size_t h = LoadLe16(file.data() + kDosHeaderPeOffset);
  if (h < 64 || h > 4096) throw CorruptPackage(43, "PE header offset " + std::to_string(h));

  if (file.size() < h + kPeSectionCountOffset + 2) throw CorruptPackage(44, "no section count");
  std::size_t n = LoadLe16(file.data() + h + kPeSectionCountOffset);
  if (n < 4 || n > 99) throw CorruptPackage(44, "section count " + std::to_string(n));

  // A table that cannot be read is reported like an unreadable section count.
  if (file.size() < h + kPeOptionalHeaderOffset) throw CorruptPackage(44, "no optional header size");
  std::size_t table = h + kPeOptionalHeaderOffset + LoadLe16(file.data() + h + kPeOptionalHeaderSizeOffset);
  if (file.size() < table || (file.size() - table) / kSectionEntrySize < n)
    throw CorruptPackage(44, "section table beyond the end of the file");

  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* entry = file.data() + table + i * kSectionEntrySize;
    if (!NameMatches(entry, name)) continue;
    info.virtual_address = LoadLe32(entry + 12);
    info.raw_size = LoadLe32(entry + 16);
    info.raw_offset = LoadLe32(entry + 20);
    info.header_offset = static_cast<std::uint32_t>(h);
    info.section_count = static_cast<std::uint32_t>(n);
    info.entry_offset = static_cast<std::uint32_t>(table + i * kSectionEntrySize);
    if (info.raw_offset == 0) throw CorruptPackage(9, "section without raw data");
    return info;
  }
  throw FatalPackageError(kNoInstallationDataMessage);
}

std::size_t SecurityDirectoryEntry(std::span<const std::uint8_t> head, std::uint32_t header_offset) {
  const std::size_t h = header_offset;
  const std::size_t entry = h + kPeSecurityDirectoryOffset;
  if (head.size() < entry + 8) return 0;
  // The directory lies where it does only in a PE32 optional header long enough to hold it.
  if (LoadLe16(head.data() + h + kPeOptionalHeaderOffset) != kPe32Magic) return 0;
  if (LoadLe16(head.data() + h + kPeOptionalHeaderSizeOffset) < entry + 8 - (h + kPeOptionalHeaderOffset)) return 0;
  if (LoadLe32(head.data() + h + kPeDirectoryCountOffset) <= kSecurityDirectoryIndex) return 0;
  static_assert(kDataDirectoriesOffset + kSecurityDirectoryIndex * 8 == kPeSecurityDirectoryOffset);
  return entry;
}

FileRange FindCertificateTable(std::span<const std::uint8_t> head, std::uint32_t header_offset,
                               std::uint64_t file_size) {
  const std::size_t entry = SecurityDirectoryEntry(head, header_offset);
  if (entry == 0) return {};
  const FileRange table{LoadLe32(head.data() + entry), LoadLe32(head.data() + entry + 4)};
  if (table.offset == 0 || table.length == 0 || table.end() > file_size) return {};
  return table;
}

}  // namespace mv
