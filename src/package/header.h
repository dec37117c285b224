// The package header that opens the .setup section: reading with every integrity check, and
// writing for the package builder.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace mv {

inline constexpr std::uint32_t kPackageMagic = 0xA4F23DE5;
inline constexpr char kPackageVersion[] = "50.0";
inline constexpr char kProductLabel[] = "Marevault Setup";
inline constexpr std::int32_t kMaxSettingsSize = 0x3200000;  // S must stay below this
inline constexpr std::int32_t kMaxFileSize = 0x73333333;      // largest size in the file table
inline constexpr std::size_t kBlowfishKeySize = 56;

// Bits of ProductFlags2 that the package format and start-up act on.
inline constexpr std::uint32_t kFlags2UninstallerWithoutSection = 1u << 5;
inline constexpr std::uint32_t kFlags2ServerFeatures = 1u << 10;
inline constexpr std::uint32_t kFlags2Blowfish = 1u << 12;
inline constexpr std::uint32_t kFlags2InstallPathRegistry = 1u << 13;

struct PackageHeader {
  std::uint32_t magic = kPackageMagic;
  std::string version = kPackageVersion;  // 8-bit text, stored zero-terminated
  std::uint32_t product_flags2 = 0;
  std::int32_t settings_size = 0;  // S: bytes of the compressed settings block
  std::uint32_t settings_crc = 0;  // CRC-32 of the decompressed settings stream; also the XOR key
  std::uint32_t file_crc = 0;      // CRC-32 of the installer file from H + 92 to the section
  std::int32_t data_end = 0;       // end of the file-data block within the section
  std::int32_t data_size = 0;      // length of the file-data block
  std::uint32_t data_crc = 0;      // CRC-32 of the file-data block
  std::vector<std::int32_t> file_sizes;  // one per file; FileCount is its length
  std::optional<std::array<std::uint8_t, kBlowfishKeySize>> blowfish_key;  // present iff bit 12
  std::uint32_t header_length = 0;  // bytes from the magic through the key (set by parse/serialize)

  bool Enciphered() const { return (product_flags2 & kFlags2Blowfish) != 0; }
  std::int32_t FileCount() const { return static_cast<std::int32_t>(file_sizes.size()); }
  // Offset within the section where the settings block ends and the file-data block begins.
  std::uint32_t SettingsEnd() const { return header_length + static_cast<std::uint32_t>(settings_size); }
};

// The fatal text for a header whose version does not compare equal to kPackageVersion.
std::string VersionMismatchMessage(const std::string& found_version);

// Reads the header at the start of `section` field by field, checking each as it is read:
// magic (20), version (FatalPackageError with VersionMismatchMessage), S (22), DataEnd (45),
// FileCount (27), DataSize (29), each file size (28). Whether the settings and data blocks lie
// within the section is checked where they are used (DecodeSettingsBlock, InSectionDataBlock).
//
// A section too short for a field fails with that field's code; fields with no check of their own
// take the code of the check they precede: an unterminated version text gives 20, a missing
// ProductFlags2 or Blowfish key gives 22, a missing SettingsCrc 25, FileCrc 40, DataCrc 55, and a
// FileCount larger than the bytes left for its size table gives 28 (checked before allocating).
PackageHeader ParseHeader(std::span<const std::uint8_t> section);

// The header's bytes; their length is the header_length a reader finds. Throws std::invalid_argument when the key's
// presence does not agree with bit 12 or the version text contains a zero.
Bytes SerializeHeader(const PackageHeader& header);

}  // namespace mv
