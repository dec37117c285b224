// Finding the package section through the executable's PE headers. Everything is read from the file
// bytes (not from a mapped image), bounds-checked against the bytes given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace mv {

// The text of the fatal message when the executable carries no package section.
inline constexpr char kNoInstallationDataMessage[] =
    "This program performs installations and uninstallations.\r\n"
    "There is no installation data present.\r\n"
    "No uninstallation parameters were specified.\r\n\r\n"
    "You should not delete this program or execute it directly.";

// Where the named section is and where its table entry lies in the file.
struct SectionInfo {
  std::uint32_t virtual_address = 0;  // relative to the image base
  std::uint32_t raw_size = 0;         // size of the section's raw data in the file
  std::uint32_t raw_offset = 0;       // file offset of the raw data
  std::uint32_t header_offset = 0;    // H: file offset of the "PE\0\0" signature
  std::uint32_t section_count = 0;    // N
  std::uint32_t entry_offset = 0;     // file offset of the section's 40-byte table entry
};

// A range of bytes in the installer file.
struct FileRange {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  std::uint64_t end() const { return offset + length; }
  bool operator==(const FileRange&) const = default;
};

// Field offsets from H used by the locator, the uninstaller image and the section writer.
inline constexpr std::size_t kPeSectionCountOffset = 6;
inline constexpr std::size_t kPeOptionalHeaderSizeOffset = 20;
inline constexpr std::size_t kPeOptionalHeaderOffset = 24;
inline constexpr std::size_t kPeInitializedDataSizeOffset = 32;
inline constexpr std::size_t kPeSectionAlignmentOffset = 56;
inline constexpr std::size_t kPeFileAlignmentOffset = 60;
inline constexpr std::size_t kPeImageSizeOffset = 80;
inline constexpr std::size_t kPeHeadersSizeOffset = 84;
inline constexpr std::size_t kPeChecksumEnd = 92;  // the CRC-checked part of the file starts here
inline constexpr std::size_t kPeDirectoryCountOffset = 116;     // NumberOfRvaAndSizes of a PE32 header
inline constexpr std::size_t kPeSecurityDirectoryOffset = 152;  // data directory 4: offset, then size
inline constexpr std::size_t kSectionEntrySize = 40;

// The longest head of a file the locator can need: H at most 4096, the largest optional header,
// 99 section entries. Reading this many bytes (or the whole file when shorter) is always enough.
inline constexpr std::size_t kMaxPeHeadSize = 4096 + 24 + 0xFFFF + 99 * kSectionEntrySize;

// Locates the first section whose 8-byte name, read as zero-terminated text, equals `name`
// (".setup2" does not match ".setup"). `file` is the whole file or at least its first
// kMaxPeHeadSize bytes.
//
// Throws CorruptPackage 43 when H (low 16 bits at offset 60) is outside 64..4096 or unreadable,
// 44 when the section count is outside 4..99 or the section table does not fit in `file`, 9 when
// the matching section has no raw-data offset; FatalPackageError(kNoInstallationDataMessage) when
// no section matches.
SectionInfo LocateSection(std::span<const std::uint8_t> file, std::string_view name = ".setup");

// The file offset of the security directory entry (8 bytes: the certificate table's file offset,
// then its size) in the PE32 headers at `header_offset`, or 0 when the headers have none: the
// optional header is too short to hold it, declares fewer than five data directories, or does not
// fit in `head`.
std::size_t SecurityDirectoryEntry(std::span<const std::uint8_t> head, std::uint32_t header_offset);

// The Authenticode certificate table that the security directory names. A signing tool appends it
// at the end of the file, after zero bytes that align it to kCertificateTableAlignment. Empty
// (length 0) when there is no directory entry, its offset or size is 0, or the table would reach
// past `file_size`.
inline constexpr std::uint32_t kCertificateTableAlignment = 8;
FileRange FindCertificateTable(std::span<const std::uint8_t> head, std::uint32_t header_offset,
                               std::uint64_t file_size);

}  // namespace mv
