// The installer file around the package section: its integrity CRC, the uninstaller image without
// the section, and, for the writer, adding the section to the runtime executable.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "base/bytes.h"
#include "package/pe.h"

namespace mv {

// The CRC-32 the header's FileCrc holds: over the installer file from H + 92 (just after the PE
// checksum field) up to the section's raw data. Throws std::invalid_argument when the file does not
// reach the section or the section starts before H + 92.
std::uint32_t ComputeFileCrc(std::span<const std::uint8_t> installer, const SectionInfo& section);

// `before_section` is the first raw_offset bytes of the file. Code 40 unless its CRC-32 from
// H + 92 to its end equals `file_crc` (also when it is shorter than H + 92).
void VerifyFileCrc(std::span<const std::uint8_t> before_section, std::uint32_t header_offset,
                   std::uint32_t file_crc);

// The uninstaller image is the executable without the package section: a head built from the
// part of the installer before the section, followed by the installer's bytes in UninstallerTail,
// which are copied from the file in portions and never held whole.
//
// The head is `before_section` with the section removed from the PE headers: section count - 1,
// size of initialised data and size of image less the raw size, the entry removed with the
// following entries moved down (the freed last slot is zeroed) and their raw offsets less the raw
// size. Its security directory is cleared: the installer's certificate table is not copied, and a
// signature over the installer would not match the uninstaller anyway. Code 35 when the headers do
// not lie within `before_section`.
Bytes BuildUninstallerHead(std::span<const std::uint8_t> before_section, const SectionInfo& section);

// The installer's bytes that follow the head in the uninstaller image. Nothing when the file data
// lies after the section (`external_data`): it runs to the certificate table or the end of the
// file, and the uninstaller has no use for it. Otherwise what follows the section's raw data, up
// to the certificate table (`certificate_table`, empty when unsigned) or the end of the file; a
// table that starts before the section's end leaves nothing to keep.
FileRange UninstallerTail(std::uint64_t file_size, const SectionInfo& section, bool external_data,
                          const FileRange& certificate_table);

// The layout of an executable with a section added, for writers that stream the section: `head` is
// the file up to the section's raw data (the executable with its headers updated, zero-filled to the
// raw offset); the section's `section_size` bytes follow, then the `tail_size` bytes of external
// data, or without any, `padding` zero bytes up to the raw size. The rules and errors are
// AppendSection's.
struct SectionLayout {
  Bytes head;
  SectionInfo info;
  std::uint64_t padding = 0;
};
SectionLayout LayOutSection(std::span<const std::uint8_t> exe, std::string_view name, std::uint64_t section_size,
                            std::uint64_t tail_size = 0);

struct AppendedSection {
  Bytes file;
  SectionInfo info;
};

// Adds a section named `name` holding `section_bytes` as initialised, readable data after the last
// section of a PE32 executable. The raw data starts at the (FileAlignment-aligned) end of the file;
// its raw size is `section_bytes` rounded up to SectionAlignment, so that the raw size is also what
// the section adds to SizeOfImage and SizeOfInitializedData, and BuildUninstallerHead gives the
// original executable back exactly.
//
// `external_tail` (the file-data block kept outside the section) follows `section_bytes` directly,
// with no padding between, because the reader finds it at raw offset + SettingsEnd; its first
// bytes then fill the section's alignment padding, so it must be at least that long (less than
// SectionAlignment). The uninstaller image of such a file is the original executable as well.
//
// Throws std::invalid_argument for an executable that is not a well-formed PE32, already has a
// section of that name, has no room for another section header before the first section's data,
// or would end up outside the locator's limits (H above 4096, more than 99 sections); and for a
// tail shorter than the padding.
AppendedSection AppendSection(std::span<const std::uint8_t> exe, std::string_view name,
                              std::span<const std::uint8_t> section_bytes,
                              std::span<const std::uint8_t> external_tail = {});

}  // namespace mv
