// An installer opened the way the runtime opens itself: section, header, settings, file data.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "package/cipher.h"
#include "package/data_block.h"
#include "package/file_walk.h"
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

// The file records of an installer, walked with the runtime's record checks. The file data is
// decoded once into an anonymous temporary file (it can be far larger than memory should hold);
// the records and their bytes are read back from there.
class DecodedFileRecords {
 public:
  // Decodes the file data (DecodeFileData's codes and fatal errors). std::runtime_error when the
  // temporary file cannot be created or written.
  explicit DecodedFileRecords(const OpenedInstaller& installer);
  DecodedFileRecords(const DecodedFileRecords&) = delete;
  DecodedFileRecords& operator=(const DecodedFileRecords&) = delete;

  // The next record, checked (mv::FileRecordWalker::Next's codes); nullopt after the last.
  std::optional<mv::WalkedFileRecord> Next();
  // Starts the walk again at the first record.
  void Rewind();
  // Passes the record's file bytes to `sink` in portions.
  void CopyData(const mv::WalkedFileRecord& record, const mv::ByteSink& sink);

  std::uint64_t stream_size() const { return size_; }
  // Where the walk stands: after the last record, the end of the records.
  std::uint64_t position() const { return walker_->position(); }

 private:
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const;

  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  std::uint64_t size_ = 0;
  std::vector<std::int32_t> size_table_;
  std::optional<mv::FileRecordWalker> walker_;
};

}  // namespace mvpack
