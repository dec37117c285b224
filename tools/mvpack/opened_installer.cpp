#include "opened_installer.h"

#include <unistd.h>

#include <stdexcept>
#include <vector>

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

DecodedFileRecords::DecodedFileRecords(const OpenedInstaller& o)
    : file_(std::tmpfile()), size_table_(o.header.file_sizes) {
  if (file_ == nullptr) throw std::runtime_error("cannot create a temporary file for the decoded file data");
  DecodeFileData(o, [&](std::span<const std::uint8_t> b) {
    if (std::fwrite(b.data(), 1, b.size(), file_.get()) != b.size())
      throw std::runtime_error("cannot write the decoded file data to a temporary file");
    size_ += b.size();
  });
  if (std::fflush(file_.get()) != 0) throw std::runtime_error("cannot write the decoded file data to a temporary file");
  Rewind();
}

void DecodedFileRecords::Rewind() {
  walker_.emplace([this](std::uint64_t offset, std::span<std::uint8_t> out) { return ReadAt(offset, out); }, size_,
                  size_table_);
}

bool DecodedFileRecords::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  const int fd = fileno(file_.get());
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<mv::WalkedFileRecord> DecodedFileRecords::Next() { return walker_->Next(); }

void DecodedFileRecords::CopyData(const mv::WalkedFileRecord& record, const mv::ByteSink& sink) {
  std::vector<std::uint8_t> portion(static_cast<std::size_t>(std::min<std::uint64_t>(record.record.data_size, 1u << 20)));
  for (std::uint64_t done = 0; done < record.record.data_size;) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(portion.size(), record.record.data_size - done));
    std::span<std::uint8_t> part(portion.data(), n);
    if (!ReadAt(record.data_offset + done, part))
      throw std::runtime_error("cannot read the decoded file data back from its temporary file");
    sink(part);
    done += n;
  }
}

}  // namespace mvpack
