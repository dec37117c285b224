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

WrittenInstaller WriteInstaller(std::span<const std::uint8_t> runtime_exe, PackageHeader header,
                                std::span<const std::uint8_t> settings_stream, std::uint64_t data_size,
                                std::uint32_t data_crc, const std::function<void(const ByteSink&)>& write_block,
                                const ByteSink& sink, const PackageBuildOptions& options) {
  PackageHead head = BuildPackageHead(std::move(header), settings_stream, data_size, data_crc, options);
  // An empty tail reads as no tail and the section is padded: the reader would then take the
  // padding for the file data.
  if (options.external_data && data_size == 0) throw std::invalid_argument("external file data must not be empty");
  const std::uint64_t in_section = options.external_data ? 0 : data_size;
  const SectionLayout layout = LayOutSection(runtime_exe, ".setup", head.bytes.size() + in_section,
                                             options.external_data ? data_size : 0);
  // FileCrc covers the file up to the section; it lies in the section, after the part it covers.
  head.header.file_crc = ComputeFileCrc(layout.head, layout.info);
  StoreLe32(head.bytes.data() + FileCrcFieldOffset(head.header), head.header.file_crc);

  std::uint64_t written = 0;
  const ByteSink counted = [&](std::span<const std::uint8_t> bytes) {
    written += bytes.size();
    sink(bytes);
  };
  counted(layout.head);
  counted(head.bytes);
  const std::uint64_t before_block = written;
  write_block(counted);
  if (written - before_block != data_size) throw std::logic_error("file data differs from its stated size");
  const Bytes zeros(static_cast<std::size_t>(std::min<std::uint64_t>(layout.padding, 64 * 1024)), 0);
  for (std::uint64_t left = layout.padding; left > 0;) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
    counted(std::span(zeros).first(n));
    left -= n;
  }
  return {layout.info, std::move(head.header), written};
}

BuiltInstaller BuildInstaller(std::span<const std::uint8_t> runtime_exe, PackageHeader header,
                              std::span<const std::uint8_t> settings_stream,
                              std::span<const std::uint8_t> data_block, const PackageBuildOptions& options) {
  BuiltInstaller built;
  WrittenInstaller written = WriteInstaller(
      runtime_exe, std::move(header), settings_stream, data_block.size(), Crc32(data_block),
      [&](const ByteSink& sink) { sink(data_block); },
      [&](std::span<const std::uint8_t> bytes) { built.file.insert(built.file.end(), bytes.begin(), bytes.end()); },
      options);
  built.section = written.section;
  built.header = std::move(written.header);
  return built;
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
