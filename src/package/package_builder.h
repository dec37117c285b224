// Putting a package together (the writer) and opening its settings block (the reader).
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "base/bytes.h"
#include "package/cipher.h"
#include "package/data_block.h"
#include "package/header.h"
#include "package/pe.h"
#include "package/xz.h"

namespace mv {

struct PackageBuildOptions {
  // The file-data block follows the settings block in the installer file but is not part of the
  // section (not mapped into memory). The settings stream's ExternalData value must say the same.
  // The block must be at least as long as the section's alignment padding (under 4 KiB), and not
  // empty; keep smaller data inside the section.
  bool external_data = false;
  std::uint32_t settings_preset = 9;
  bool settings_extreme = true;
  XzCheck settings_check = XzCheck::kCrc64;
};

// What opens the section: header, key and the compressed, scrambled or enciphered settings block.
// `header` supplies the version, ProductFlags2, the file size table and the Blowfish key; bit 12 is
// set exactly when a key is present. S, SettingsCrc, DataEnd, DataSize and DataCrc are computed
// (DataEnd is SettingsEnd for external data); FileCrc stays 0 until SealInstaller.
struct PackageHead {
  Bytes bytes;
  PackageHeader header;  // as written
};
PackageHead BuildPackageHead(PackageHeader header, std::span<const std::uint8_t> settings_stream,
                             std::uint64_t data_size, std::uint32_t data_crc,
                             const PackageBuildOptions& options = {});

// The head followed by the data block (unless the data is external).
Bytes BuildPackageSection(PackageHeader header, std::span<const std::uint8_t> settings_stream,
                          std::span<const std::uint8_t> data_block, const PackageBuildOptions& options = {});

// Where FileCrc lies within the section.
std::size_t FileCrcFieldOffset(const PackageHeader& header);

// Computes the installer file's CRC-32 and stores it as FileCrc; call once every other byte before
// the section is final (FileCrc itself lies after the part the CRC covers).
void SealInstaller(Bytes& installer, const SectionInfo& section, const PackageHeader& header);

// Streams the whole installer to `sink`: the runtime with the ".setup" section added, the head, the
// file-data block of `data_size` bytes with CRC-32 `data_crc` (which `write_block` passes to the
// sink it is given, e.g. from a file) and the section's padding, sealed. No more than the runtime and
// the head is held. Throws std::invalid_argument (see AppendSection), std::length_error, and
// std::logic_error when `write_block` writes another size.
struct WrittenInstaller {
  SectionInfo section;
  PackageHeader header;   // as written, with FileCrc
  std::uint64_t size = 0; // bytes of the installer file
};
WrittenInstaller WriteInstaller(std::span<const std::uint8_t> runtime_exe, PackageHeader header,
                                std::span<const std::uint8_t> settings_stream, std::uint64_t data_size,
                                std::uint32_t data_crc, const std::function<void(const ByteSink&)>& write_block,
                                const ByteSink& sink, const PackageBuildOptions& options = {});

struct BuiltInstaller {
  Bytes file;
  SectionInfo section;
  PackageHeader header;
};
// The whole installer: the runtime with the ".setup" section added (and the external data after
// it), sealed.
BuiltInstaller BuildInstaller(std::span<const std::uint8_t> runtime_exe, PackageHeader header,
                              std::span<const std::uint8_t> settings_stream,
                              std::span<const std::uint8_t> data_block, const PackageBuildOptions& options = {});

// Copies the S settings bytes after the header, deciphers them (Blowfish when bit 12 is set, with
// `cipher` or, when null, a key schedule of the header's key) or descrambles them with SettingsCrc,
// and decompresses them. Code 47 when decompression fails, 22 when the block is not in `section`.
Bytes DecodeSettingsBlock(std::span<const std::uint8_t> section, const PackageHeader& header,
                          const Blowfish* cipher = nullptr);

// Code 25 unless the CRC-32 of the decoded settings stream equals SettingsCrc.
void CheckSettingsCrc(std::span<const std::uint8_t> settings_stream, const PackageHeader& header);

}  // namespace mv
