#include "build.h"

#include <ctime>
#include <fstream>
#include <random>
#include <stdexcept>

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

mv::BuiltInstaller BuildInstaller(const Project& project, std::span<const std::uint8_t> runtime_exe) {
  mv::PackageHeader header;
  header.version = project.version;
  header.product_flags2 = project.product_flags2;
  std::unique_ptr<mv::Blowfish> cipher;
  if (header.Enciphered()) {
    header.blowfish_key = project.blowfish_key ? *project.blowfish_key : FreshKey();
    cipher = std::make_unique<mv::Blowfish>(*header.blowfish_key);
  }

  mv::Bytes block;
  mv::DataBlockWriterOptions options;
  options.chunk_size = project.chunk_size;
  options.compress = (project.settings.ProductFlags & mv::kFlagCompressedChunks) != 0;
  options.preset = project.preset;
  options.extreme = project.extreme;
  options.blowfish = cipher.get();
  mv::DataBlockWriter writer(options, [&](std::span<const std::uint8_t> b) { block.insert(block.end(), b.begin(), b.end()); });
  for (const auto& file : project.files) AddFile(file, writer, header.file_sizes);
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
    return mv::BuildInstaller(runtime_exe, header, settings, block, build);
  } catch (const std::logic_error& e) {  // invalid_argument and length_error: values the format cannot hold
    throw std::runtime_error(e.what());
  }
}

}  // namespace mvpack
