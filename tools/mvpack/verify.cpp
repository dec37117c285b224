#include "verify.h"

#include <map>

#include "opened_installer.h"
#include "package/corrupt.h"
#include "package/installer_file.h"

namespace mvpack {

namespace {

// For a file whose section was located already.
bool IsSigned(std::span<const std::uint8_t> file) {
  const mv::SectionInfo section = mv::LocateSection(file);
  return mv::FindCertificateTable(file, section.header_offset, file.size()).length != 0;
}

std::string Check(std::span<const std::uint8_t> file, Verdict& verdict) {
  std::string notes;
  OpenedInstaller o = OpenInstaller(file);
  auto before = file.first(o.section.raw_offset);
  if (o.settings.IntegrityCheck == 1) mv::VerifyFileCrc(before, o.section.header_offset, o.header.file_crc);
  if (o.settings.IntegrityCheck == 2) notes += "The Authenticode signature is checked only on Windows.\n";
  if (o.certificate_table.length != 0)
    notes += "Signed: a certificate table of " + std::to_string(o.certificate_table.length) + " bytes at offset " +
             std::to_string(o.certificate_table.offset) + ".\n";
  if (o.header.product_flags2 & mv::kFlags2UninstallerWithoutSection) {
    const mv::FileRange tail =
        mv::UninstallerTail(file.size(), o.section, o.settings.ExternalData != 0, o.certificate_table);
    verdict.uninstaller_size = mv::BuildUninstallerHead(before, o.section).size() + tail.length;
    notes += "Uninstaller image: " + std::to_string(verdict.uninstaller_size) + " bytes.\n";
  }
  DecodedFileRecords records(o);
  while (records.Next()) {
  }
  notes += std::to_string(o.header.FileCount()) + " file(s), " + std::to_string(records.stream_size()) +
           " bytes of file records.\n";
  if (records.position() < records.stream_size())
    notes += std::to_string(records.stream_size() - records.position()) +
             " byte(s) after the last record, which the installer does not read.\n";
  return notes;
}

}  // namespace

Verdict VerifyInstaller(std::span<const std::uint8_t> installer) {
  Verdict verdict;
  try {
    verdict.message = Check(installer, verdict);
    return verdict;
  } catch (const mv::CorruptPackage& e) {
    std::string text = DescribeCorruptCode(e.code());
    if (e.code() == 40 && IsSigned(installer))
      text += " (the installer is signed: signing changes bytes the CRC covers, so signed installers use "
              "IntegrityCheck 2)";
    return {Verdict::kCorrupt, e.code(), text};
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
      {70, "a file record without a name"},
      {71, "a negative size in the file size table"},
      {72, "a size in the file size table at or beyond 0x73333333"},
      {73, "a file record's size differs from its entry in the file size table"},
      {101, "a file record is damaged (wrong magic, cut short, or its bytes run past the file data)"},
      {110, "a file record with an invalid destination kind (2, 3, 13 or more) and no destination"},
  };
  auto it = kText.find(code);
  return it == kText.end() ? "corrupt-installer check " + std::to_string(code) : it->second;
}

}  // namespace mvpack
