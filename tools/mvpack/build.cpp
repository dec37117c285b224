#include "build.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "file_order.h"
#include "package/cipher.h"
#include "package/data_block.h"
#include "package/header.h"
#include "package/settings.h"

namespace mvpack {

namespace {

std::array<std::uint8_t, mv::kBlowfishKeySize> FreshKey() {
  std::random_device random;
  std::array<std::uint8_t, mv::kBlowfishKeySize> key{};
  for (auto& b : key) b = static_cast<std::uint8_t>(random());
  return key;
}

// An anonymous temporary file: the compressed file data waits there until its size and CRC-32 are
// known and the head before it can be written.
class TemporaryFile {
 public:
  TemporaryFile() : file_(std::tmpfile()) {
    if (!file_) throw std::runtime_error("cannot create a temporary file for the file data");
  }
  void Write(std::span<const std::uint8_t> bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
      throw std::runtime_error("cannot write the file data to a temporary file");
  }
  void CopyTo(const mv::ByteSink& sink) {
    if (std::fflush(file_.get()) != 0 || std::fseek(file_.get(), 0, SEEK_SET) != 0)
      throw std::runtime_error("cannot write the file data to a temporary file");
    std::vector<std::uint8_t> portion(1 << 20);
    while (std::size_t n = std::fread(portion.data(), 1, portion.size(), file_.get())) sink(std::span(portion.data(), n));
    if (std::ferror(file_.get())) throw std::runtime_error("cannot read the file data back from its temporary file");
  }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
};

// Streams one file's record head and bytes into the block writer.
void AddFile(const ProjectFile& file, mv::DataBlockWriter& writer, std::vector<std::int32_t>& sizes) {
  std::ifstream in(file.source, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.source.string());
  std::error_code error;
  std::uintmax_t size = std::filesystem::file_size(file.source, error);
  if (error || size > static_cast<std::uintmax_t>(mv::kMaxFileSize))
    throw std::runtime_error(file.source.string() + ": too large for an installer (or unreadable)");
  mv::FileRecord record = file.record;
  record.data_size = static_cast<std::uint32_t>(size);
  if (record.name.empty()) throw std::runtime_error(file.source.string() + ": a file needs a name");
  writer.Write(mv::SerializeFileRecordHead(record));
  std::vector<std::uint8_t> buffer(1 << 20);
  std::uintmax_t left = size;
  while (left > 0) {
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(std::min<std::uintmax_t>(left, buffer.size())));
    auto got = static_cast<std::size_t>(in.gcount());
    if (got == 0) throw std::runtime_error("cannot read " + file.source.string());
    writer.Write(std::span(buffer.data(), got));
    left -= got;
  }
  sizes.push_back(static_cast<std::int32_t>(size));
}

}  // namespace

mv::WrittenInstaller WriteInstaller(const Project& project, std::span<const std::uint8_t> runtime_exe,
                                    const mv::ByteSink& sink, const BuildOptions& build_options) {
  mv::PackageHeader header;
  header.version = project.version;
  header.product_flags2 = project.product_flags2;
  std::unique_ptr<mv::Blowfish> cipher;
  if (header.Enciphered()) {
    header.blowfish_key = project.blowfish_key ? *project.blowfish_key : FreshKey();
    cipher = std::make_unique<mv::Blowfish>(*header.blowfish_key);
  }

  TemporaryFile block;
  mv::DataBlockWriterOptions options;
  options.chunk_size = project.chunk_size;
  options.compress = (project.settings.ProductFlags & mv::kFlagCompressedChunks) != 0;
  options.preset = project.preset;
  options.extreme = project.extreme;
  options.dictionary_limit = project.dictionary_size;
  options.nice_length = project.nice_length;
  options.blowfish = cipher.get();
  options.threads = build_options.threads != 0 ? build_options.threads
                                               : std::max(1u, std::thread::hardware_concurrency());
  mv::DataBlockWriter writer(options, [&](std::span<const std::uint8_t> b) { block.Write(b); });
  const std::vector<std::size_t> order =
      project.group_files ? GroupedFileOrder(project.files) : ProjectFileOrder(project.files.size());
  for (std::size_t i : order) AddFile(project.files[i], writer, header.file_sizes);
  writer.Finish();

  mv::Settings stored = project.settings;
  if (project.stamp_build_date) {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    stored.BuildDate.year = static_cast<std::uint16_t>(utc.tm_year + 1900);
    stored.BuildDate.month = static_cast<std::uint8_t>(utc.tm_mon + 1);
    stored.BuildDate.day = static_cast<std::uint8_t>(utc.tm_mday);
  }
  mv::Bytes settings = mv::WriteSettings(stored, project.product_flags2);
  mv::Lists lists_to_write = project.lists;
  if (lists_to_write.Languages.empty()) lists_to_write.Languages.push_back({u"English", {u""}});
  mv::Bytes lists = mv::WriteLists(lists_to_write);
  settings.insert(settings.end(), lists.begin(), lists.end());
  mv::PackageBuildOptions build;
  build.external_data = project.settings.ExternalData != 0;
  build.settings_preset = project.preset;
  build.settings_extreme = project.extreme;
  try {
    return mv::WriteInstaller(runtime_exe, header, settings, writer.size(), writer.crc(),
                              [&](const mv::ByteSink& out) { block.CopyTo(out); }, sink, build);
  } catch (const std::logic_error& e) {  // invalid_argument and length_error: values the format cannot hold
    throw std::runtime_error(e.what());
  }
}

mv::BuiltInstaller BuildInstaller(const Project& project, std::span<const std::uint8_t> runtime_exe,
                                  const BuildOptions& options) {
  mv::BuiltInstaller built;
  mv::WrittenInstaller written = WriteInstaller(
      project, runtime_exe,
      [&](std::span<const std::uint8_t> b) { built.file.insert(built.file.end(), b.begin(), b.end()); }, options);
  built.section = written.section;
  built.header = std::move(written.header);
  return built;
}

}  // namespace mvpack
