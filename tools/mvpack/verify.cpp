#include "verify.h"

#include <map>

#include "opened_installer.h"
#include "package/corrupt.h"
#include "package/installer_file.h"

namespace mvpack {

namespace {

std::string Check(std::span<const std::uint8_t> file) {
  std::string notes;
  OpenedInstaller o = OpenInstaller(file);
  auto before = file.first(o.section.raw_offset);
  if (o.settings.IntegrityCheck == 1) mv::VerifyFileCrc(before, o.section.header_offset, o.header.file_crc);
  if (o.settings.IntegrityCheck == 2) notes += "The Authenticode signature is checked only on Windows.\n";
  if (o.header.product_flags2 & mv::kFlags2UninstallerWithoutSection) {
    std::size_t after = std::min<std::size_t>(file.size(), std::size_t{o.section.raw_offset} + o.section.raw_size);
    mv::BuildUninstallerImage(before, file.subspan(after), o.section);
  }
  std::uint64_t decoded = 0;
  DecodeFileData(o, [&](std::span<const std::uint8_t> b) { decoded += b.size(); });
  notes += std::to_string(o.header.FileCount()) + " file(s), " + std::to_string(decoded) + " bytes of file records.\n";
  return notes;
}

}  // namespace

Verdict VerifyInstaller(std::span<const std::uint8_t> installer) {
  try {
    return {Verdict::kSound, 0, Check(installer)};
  } catch (const mv::CorruptPackage& e) {
    return {Verdict::kCorrupt, e.code(), DescribeCorruptCode(e.code())};
  } catch (const mv::FatalPackageError& e) {
    return {Verdict::kFatal, 0, e.what()};
  }
}

std::string DescribeCorruptCode(int code) {
  static const std::map<int, const char*> kText = {
      {9, "the .setup section has no raw-data offset"},
      {10, "the section's raw data cannot be reached"},
      {19, "MinProgressTime is 10,000 or more"},
      {20, "bad magic number"},
      {22, "compressed settings size out of range"},
      {24, "more than 20 licence entries"},
      {25, "CRC-32 of the decompressed settings differs from SettingsCrc"},
      {26, "more than 20 readme entries"},
      {27, "negative file count"},
      {28, "a file size outside 0 .. 0x73333333"},
      {29, "negative data size"},
      {35, "the part of the installer before the section cannot be read"},
      {39, "BitmapSize outside 0 .. 100"},
      {40, "CRC-32 of the installer file differs from FileCrc"},
      {42, "the bytes after the section cannot be read"},
      {43, "PE header offset outside 64 .. 4096"},
      {44, "section count outside 4 .. 99"},
      {45, "negative DataEnd"},
      {46, "the file-data block's length differs from DataSize"},
      {47, "the settings block does not decompress"},
      {55, "CRC-32 of the file-data block differs from DataCrc"},
      {60, "a file-data chunk does not decompress"},
      {61, "a chunk length below 1"},
      {62, "a chunk's CRC-32 does not match"},
      {63, "a chunk length beyond the end of the block"},
  };
  auto it = kText.find(code);
  return it == kText.end() ? "corrupt-installer check " + std::to_string(code) : it->second;
}

}  // namespace mvpack
