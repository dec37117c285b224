// An installer opened the way the runtime opens itself: section, header, settings, file data.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "package/cipher.h"
#include "package/data_block.h"
#include "package/header.h"
#include "package/lists.h"
#include "package/pe.h"
#include "package/settings.h"

namespace mvpack {

struct OpenedInstaller {
  std::span<const std::uint8_t> file;
  mv::SectionInfo section;
  mv::FileRange certificate_table;  // empty when the installer is not signed
  std::span<const std::uint8_t> section_bytes;
  mv::PackageHeader header;
  std::unique_ptr<mv::Blowfish> cipher;
  mv::Bytes settings_stream;
  mv::Settings settings;  // as stored
  mv::Lists lists;
};

// Locates the section, checks the header, decodes the settings block and reads the settings and
// the lists with the runtime's checks in the runtime's order. Throws mv::CorruptPackage or mv::FatalPackageError.
OpenedInstaller OpenInstaller(std::span<const std::uint8_t> file);

// Checks the file data's size and CRC-32 and passes the decoded file records to `sink`.
void DecodeFileData(const OpenedInstaller& installer, const mv::ByteSink& sink);

}  // namespace mvpack
