#include "opened_installer.h"

#include "package/corrupt.h"
#include "package/package_builder.h"
#include "package/reader.h"

namespace mvpack {

OpenedInstaller OpenInstaller(std::span<const std::uint8_t> file) {
  OpenedInstaller o;
  o.file = file;
  o.section = mv::LocateSection(file);
  o.certificate_table = mv::FindCertificateTable(file, o.section.header_offset, file.size());
  // The loader maps the section's raw data; past the end of the file there is nothing to map.
  if (o.section.raw_offset > file.size()) throw mv::CorruptPackage(10);
  o.section_bytes =
      file.subspan(o.section.raw_offset, std::min<std::size_t>(o.section.raw_size, file.size() - o.section.raw_offset));
  o.header = mv::ParseHeader(o.section_bytes);
  if (o.header.Enciphered()) o.cipher = std::make_unique<mv::Blowfish>(*o.header.blowfish_key);
  o.settings_stream = mv::DecodeSettingsBlock(o.section_bytes, o.header, o.cipher.get());
  mv::PackageReader reader(o.settings_stream);
  o.settings = mv::ReadSettings(reader, o.header.product_flags2, false,
                                [&](const mv::Settings&) { mv::CheckSettingsCrc(o.settings_stream, o.header); });
  o.lists = mv::ReadLists(reader);
  return o;
}

void DecodeFileData(const OpenedInstaller& o, const mv::ByteSink& sink) {
  mv::DataBlockOptions options;
  options.blowfish = o.cipher.get();
  options.chunks_compressed = (o.settings.ProductFlags & mv::kFlagCompressedChunks) != 0;
  std::span<const std::uint8_t> block;
  if (o.settings.ExternalData) {
    mv::FileRange range = mv::ExternalDataBlockRange(o.file.size(), o.section, o.header, o.certificate_table);
    block = o.file.subspan(range.offset, range.length);
  } else {
    block = mv::InSectionDataBlock(o.section_bytes, o.header);
  }
  mv::MemoryDataSource source(block);
  mv::CheckDataBlockSize(source.Size(), o.header);
  mv::CheckDataBlockCrc(source, o.header);
  mv::DecodeDataBlock(source, options, sink);
}

}  // namespace mvpack
