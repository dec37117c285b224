#include "package/package_builder.h"

#include <limits>
#include <stdexcept>

#include "package/corrupt.h"
#include "package/crc32.h"
#include "package/installer_file.h"

namespace mv {

namespace {

constexpr std::uint64_t kMaxInt32 = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());

}  // namespace

PackageHead BuildPackageHead(PackageHeader header, std::span<const std::uint8_t> settings_stream,
                             std::uint64_t data_size, std::uint32_t data_crc,
                             const PackageBuildOptions& options) {
  if (header.blowfish_key)
    header.product_flags2 |= kFlags2Blowfish;
  else if (header.Enciphered())
    throw std::invalid_argument("ProductFlags2 bit 12 is set but there is no Blowfish key");
  if (data_size > kMaxInt32) throw std::length_error("file data larger than 2 GiB");

  header.settings_crc = Crc32(settings_stream);
  Bytes block = XzCompress(settings_stream, options.settings_preset, options.settings_extreme, options.settings_check);
  if (header.blowfish_key) {
    BlowfishEncryptBuffer(Blowfish(*header.blowfish_key), block);
  } else {
    Descramble(block, header.settings_crc);
  }
  if (block.size() >= static_cast<std::size_t>(kMaxSettingsSize))
    throw std::length_error("compressed settings too large");
  header.settings_size = static_cast<std::int32_t>(block.size());
  header.file_crc = 0;
  header.data_size = static_cast<std::int32_t>(data_size);
  header.data_crc = data_crc;
  // The header's length does not depend on the values of its fields, so measure it first.
  header.header_length = static_cast<std::uint32_t>(SerializeHeader(header).size());
  const std::uint64_t data_end = header.SettingsEnd() + (options.external_data ? 0 : data_size);
  if (data_end > kMaxInt32) throw std::length_error("section larger than 2 GiB");
  header.data_end = static_cast<std::int32_t>(data_end);

  PackageHead head;
  head.bytes = SerializeHeader(header);
  head.bytes.insert(head.bytes.end(), block.begin(), block.end());
  head.header = std::move(header);
  return head;
}

Bytes BuildPackageSection(PackageHeader header, std::span<const std::uint8_t> settings_stream,
                          std::span<const std::uint8_t> data_block, const PackageBuildOptions& options) {
  PackageHead head = BuildPackageHead(std::move(header), settings_stream, data_block.size(), Crc32(data_block), options);
  if (!options.external_data) head.bytes.insert(head.bytes.end(), data_block.begin(), data_block.end());
  return std::move(head.bytes);
}

std::size_t FileCrcFieldOffset(const PackageHeader& header) {
  // magic, version text and its zero, ProductFlags2, S, SettingsCrc
  return 4 + header.version.size() + 1 + 4 + 4 + 4;
}

void SealInstaller(Bytes& installer, const SectionInfo& section, const PackageHeader& header) {
  const std::size_t field = std::size_t{section.raw_offset} + FileCrcFieldOffset(header);
  if (field + 4 > installer.size()) throw std::invalid_argument("section outside the installer");
  StoreLe32(installer.data() + field, ComputeFileCrc(installer, section));
}

BuiltInstaller BuildInstaller(std::span<const std::uint8_t> runtime_exe, PackageHeader header,
                              std::span<const std::uint8_t> settings_stream,
                              std::span<const std::uint8_t> data_block, const PackageBuildOptions& options) {
  PackageHead head = BuildPackageHead(std::move(header), settings_stream, data_block.size(), Crc32(data_block), options);
  AppendedSection appended;
  if (options.external_data) {
    // AppendSection reads an empty tail as no tail and pads the section: the reader would then
    // take the padding for the file data.
    if (data_block.empty()) throw std::invalid_argument("external file data must not be empty");
    appended = AppendSection(runtime_exe, ".setup", head.bytes, data_block);
  } else {
    head.bytes.insert(head.bytes.end(), data_block.begin(), data_block.end());
    appended = AppendSection(runtime_exe, ".setup", head.bytes);
  }
  SealInstaller(appended.file, appended.info, head.header);
  head.header.file_crc = LoadLe32(appended.file.data() + appended.info.raw_offset + FileCrcFieldOffset(head.header));
  return {std::move(appended.file), appended.info, std::move(head.header)};
}

Bytes DecodeSettingsBlock(std::span<const std::uint8_t> section, const PackageHeader& header,
                          const Blowfish* cipher) {
  if (header.settings_size < 1 || header.header_length > section.size() ||
      static_cast<std::uint32_t>(header.settings_size) > section.size() - header.header_length)
    throw CorruptPackage(22, "settings block beyond the end of the section");
  const auto start = section.begin() + header.header_length;
  Bytes block(start, start + header.settings_size);
  if (header.Enciphered()) {
    if (cipher != nullptr) {
      BlowfishDecryptBuffer(*cipher, block);
    } else {
      if (!header.blowfish_key) throw CorruptPackage(22, "Blowfish key missing");
      BlowfishDecryptBuffer(Blowfish(*header.blowfish_key), block);
    }
  } else {
    Descramble(block, header.settings_crc);
  }
  std::optional<Bytes> stream = XzDecompress(block);
  if (!stream) throw CorruptPackage(47, "settings block does not decompress");
  return std::move(*stream);
}

void CheckSettingsCrc(std::span<const std::uint8_t> settings_stream, const PackageHeader& header) {
  if (Crc32(settings_stream) != header.settings_crc) throw CorruptPackage(25, "settings CRC-32 mismatch");
}

}  // namespace mv
