#include "package/installer_file.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "package/corrupt.h"
#include "package/crc32.h"

namespace mv {

namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::size_t kPeSignatureSize = 4;
constexpr std::size_t kMinOptionalHeaderSize = 96;  // through NumberOfRvaAndSizes
constexpr std::uint32_t kSectionInitializedData = 0x00000040;
constexpr std::uint32_t kSectionMemRead = 0x40000000;

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

bool IsPowerOfTwo(std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

// The parts of a PE32 image the section writer needs, validated against the file's bytes.
struct PeLayout {
  std::size_t h = 0;
  std::size_t count = 0;
  std::size_t table = 0;
  std::uint32_t file_alignment = 0;
  std::uint32_t section_alignment = 0;
  std::uint32_t image_size = 0;
  std::uint32_t headers_size = 0;
};

PeLayout ReadPeLayout(std::span<const std::uint8_t> exe) {
  auto bad = [](const char* what) { return std::invalid_argument(std::string("runtime executable: ") + what); };
  PeLayout pe;
  if (exe.size() < 64 || exe[0] != 'M' || exe[1] != 'Z') throw bad("no MZ header");
  pe.h = LoadLe32(exe.data() + 60);
  if (pe.h > exe.size() || exe.size() - pe.h < kPeOptionalHeaderOffset + kMinOptionalHeaderSize)
    throw bad("PE header beyond the end");
  if (std::memcmp(exe.data() + pe.h, "PE\0\0", kPeSignatureSize) != 0) throw bad("no PE signature");
  const std::uint8_t* nt = exe.data() + pe.h;
  if (LoadLe16(nt + kPeOptionalHeaderOffset) != kPe32Magic) throw bad("not PE32");
  pe.count = LoadLe16(nt + kPeSectionCountOffset);
  const std::size_t optional_size = LoadLe16(nt + kPeOptionalHeaderSizeOffset);
  if (optional_size < kMinOptionalHeaderSize) throw bad("optional header too short");
  pe.table = pe.h + kPeOptionalHeaderOffset + optional_size;
  if (pe.table > exe.size() || (exe.size() - pe.table) / kSectionEntrySize < pe.count)
    throw bad("section table beyond the end");
  pe.section_alignment = LoadLe32(nt + kPeSectionAlignmentOffset);
  pe.file_alignment = LoadLe32(nt + kPeFileAlignmentOffset);
  pe.image_size = LoadLe32(nt + kPeImageSizeOffset);
  pe.headers_size = LoadLe32(nt + kPeHeadersSizeOffset);
  if (!IsPowerOfTwo(pe.file_alignment) || !IsPowerOfTwo(pe.section_alignment) ||
      pe.section_alignment < pe.file_alignment)
    throw bad("bad alignments");
  if (pe.image_size % pe.section_alignment != 0) throw bad("SizeOfImage not aligned");
  return pe;
}

}  // namespace

std::uint32_t ComputeFileCrc(std::span<const std::uint8_t> installer, const SectionInfo& section) {
  const std::size_t start = std::size_t{section.header_offset} + kPeChecksumEnd;
  if (section.raw_offset > installer.size() || start > section.raw_offset)
    throw std::invalid_argument("section outside the installer file");
  return Crc32(installer.subspan(start, section.raw_offset - start));
}

void VerifyFileCrc(std::span<const std::uint8_t> before_section, std::uint32_t header_offset,
                   std::uint32_t file_crc) {
  const std::size_t start = std::size_t{header_offset} + kPeChecksumEnd;
  if (before_section.size() < start || Crc32(before_section.subspan(start)) != file_crc)
    throw CorruptPackage(40, "installer file CRC-32 mismatch");
}

Bytes BuildUninstallerHead(std::span<const std::uint8_t> before_section, const SectionInfo& section) {
  const std::size_t h = section.header_offset;
  const std::size_t n = section.section_count;
  const std::size_t entry = section.entry_offset;
  // The fields and the whole section table (from the removed entry on) must be in the part read.
  if (before_section.size() < h + kPeImageSizeOffset + 4 || n == 0 || entry < h + kPeOptionalHeaderOffset)
    throw CorruptPackage(35, "PE headers outside the part before the section");
  const std::size_t table = h + kPeOptionalHeaderOffset + LoadLe16(before_section.data() + h + kPeOptionalHeaderSizeOffset);
  if (entry < table || (entry - table) % kSectionEntrySize != 0)
    throw CorruptPackage(35, "section entry not in the section table");
  const std::size_t index = (entry - table) / kSectionEntrySize;
  const std::size_t table_end = table + n * kSectionEntrySize;
  if (index >= n || table_end > before_section.size())
    throw CorruptPackage(35, "section table outside the part before the section");

  Bytes image(before_section.begin(), before_section.end());
  std::uint8_t* nt = image.data() + h;
  StoreLe16(nt + kPeSectionCountOffset, static_cast<std::uint16_t>(n - 1));
  StoreLe32(nt + kPeInitializedDataSizeOffset, LoadLe32(nt + kPeInitializedDataSizeOffset) - section.raw_size);
  StoreLe32(nt + kPeImageSizeOffset, LoadLe32(nt + kPeImageSizeOffset) - section.raw_size);
  if (const std::size_t security = SecurityDirectoryEntry(image, section.header_offset))
    std::memset(image.data() + security, 0, 8);

  std::uint8_t* base = image.data() + entry;
  const std::size_t following = (table_end - entry) - kSectionEntrySize;
  std::memmove(base, base + kSectionEntrySize, following);
  std::memset(base + following, 0, kSectionEntrySize);
  for (std::size_t i = 0; i < following; i += kSectionEntrySize) {
    std::uint8_t* raw_offset = base + i + 20;
    StoreLe32(raw_offset, LoadLe32(raw_offset) - section.raw_size);
  }
  return image;
}

FileRange UninstallerTail(std::uint64_t file_size, const SectionInfo& section, bool external_data,
                          const FileRange& certificate_table) {
  const std::uint64_t start = std::min<std::uint64_t>(std::uint64_t{section.raw_offset} + section.raw_size, file_size);
  if (external_data) return {start, 0};
  std::uint64_t end = file_size;
  if (certificate_table.length != 0) end = std::clamp<std::uint64_t>(certificate_table.offset, start, file_size);
  return {start, end - start};
}

SectionLayout LayOutSection(std::span<const std::uint8_t> exe, std::string_view name, std::uint64_t section_size,
                            std::uint64_t tail_size) {
  if (name.empty() || name.size() > 8) throw std::invalid_argument("section name must be 1 to 8 bytes");
  const PeLayout pe = ReadPeLayout(exe);
  // The installer's own locator accepts H up to 4096 and 4 to 99 sections.
  if (pe.h < 64 || pe.h > 4096) throw std::invalid_argument("runtime executable: PE header offset outside 64..4096");
  if (pe.count + 1 < 4 || pe.count + 1 > 99)
    throw std::invalid_argument("runtime executable: the installer would have fewer than 4 or more than 99 sections");

  // The new entry goes after the last one; it must stay inside the headers and before any data.
  std::uint64_t first_data = pe.headers_size;
  std::uint64_t end_of_image = 0;
  for (std::size_t i = 0; i < pe.count; ++i) {
    const std::uint8_t* e = exe.data() + pe.table + i * kSectionEntrySize;
    std::size_t length = 0;
    while (length < 8 && e[length] != 0) ++length;
    if (std::string_view(reinterpret_cast<const char*>(e), length) == name)
      throw std::invalid_argument("runtime executable already has a section " + std::string(name));
    const std::uint32_t raw_offset = LoadLe32(e + 20);
    if (raw_offset != 0) first_data = std::min<std::uint64_t>(first_data, raw_offset);
    const std::uint64_t virtual_end = std::uint64_t{LoadLe32(e + 12)} + std::max(LoadLe32(e + 8), LoadLe32(e + 16));
    end_of_image = std::max(end_of_image, AlignUp(virtual_end, pe.section_alignment));
  }
  const std::size_t new_entry = pe.table + pe.count * kSectionEntrySize;
  if (new_entry + kSectionEntrySize > first_data)
    throw std::invalid_argument("runtime executable has no room for another section header");
  if (end_of_image > pe.image_size) throw std::invalid_argument("runtime executable: SizeOfImage too small");

  const std::uint64_t raw_offset = AlignUp(exe.size(), pe.file_alignment);
  const std::uint64_t raw_size = AlignUp(std::max<std::uint64_t>(section_size, 1), pe.section_alignment);
  const std::uint64_t virtual_address = pe.image_size;
  const std::uint64_t slack = raw_size - section_size;
  if (tail_size != 0 && tail_size < slack)
    throw std::invalid_argument("external data shorter than the section's alignment padding");
  const std::uint64_t file_size = raw_offset + section_size + std::max(slack, tail_size);
  if (file_size > 0xFFFFFFFFull || virtual_address + raw_size > 0xFFFFFFFFull)
    throw std::invalid_argument("installer would exceed 4 GiB");

  SectionLayout result;
  Bytes& file = result.head;
  file.assign(exe.begin(), exe.end());
  file.resize(static_cast<std::size_t>(raw_offset), 0);
  result.padding = tail_size == 0 ? slack : 0;

  std::uint8_t* entry = file.data() + new_entry;
  std::memset(entry, 0, kSectionEntrySize);
  std::memcpy(entry, name.data(), name.size());
  StoreLe32(entry + 8, static_cast<std::uint32_t>(section_size));  // VirtualSize
  StoreLe32(entry + 12, static_cast<std::uint32_t>(virtual_address));
  StoreLe32(entry + 16, static_cast<std::uint32_t>(raw_size));
  StoreLe32(entry + 20, static_cast<std::uint32_t>(raw_offset));
  StoreLe32(entry + 36, kSectionInitializedData | kSectionMemRead);

  std::uint8_t* nt = file.data() + pe.h;
  StoreLe16(nt + kPeSectionCountOffset, static_cast<std::uint16_t>(pe.count + 1));
  StoreLe32(nt + kPeInitializedDataSizeOffset,
            LoadLe32(nt + kPeInitializedDataSizeOffset) + static_cast<std::uint32_t>(raw_size));
  StoreLe32(nt + kPeImageSizeOffset, static_cast<std::uint32_t>(virtual_address + raw_size));

  result.info.virtual_address = static_cast<std::uint32_t>(virtual_address);
  result.info.raw_size = static_cast<std::uint32_t>(raw_size);
  result.info.raw_offset = static_cast<std::uint32_t>(raw_offset);
  result.info.header_offset = static_cast<std::uint32_t>(pe.h);
  result.info.section_count = static_cast<std::uint32_t>(pe.count + 1);
  result.info.entry_offset = static_cast<std::uint32_t>(new_entry);
  return result;
}

AppendedSection AppendSection(std::span<const std::uint8_t> exe, std::string_view name,
                              std::span<const std::uint8_t> section_bytes,
                              std::span<const std::uint8_t> external_tail) {
  SectionLayout layout = LayOutSection(exe, name, section_bytes.size(), external_tail.size());
  AppendedSection result{std::move(layout.head), layout.info};
  Bytes& file = result.file;
  file.reserve(file.size() + section_bytes.size() + std::max<std::size_t>(layout.padding, external_tail.size()));
  file.insert(file.end(), section_bytes.begin(), section_bytes.end());
  file.insert(file.end(), external_tail.begin(), external_tail.end());
  file.resize(file.size() + static_cast<std::size_t>(layout.padding), 0);
  return result;
}

}  // namespace mv
