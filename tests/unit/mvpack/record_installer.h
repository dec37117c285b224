// Installers around a chosen stream of file records (sound or damaged), for the tests of what
// mvpack reads from the records.
#pragma once

#include <string>
#include <vector>

#include "package/data_block.h"
#include "package/file_record.h"
#include "package/lists.h"
#include "package/package_builder.h"
#include "package/settings.h"
#include "package_test_support.h"

namespace mvpack::testing {

inline mv::FileRecord Record(std::string name, std::uint32_t kind = 0, std::u16string destination = u"",
                             std::uint32_t flags = 0) {
  mv::FileRecord r;
  r.name = std::move(name);
  r.destination_kind = kind;
  r.destination = std::move(destination);
  r.flags = flags;
  return r;
}

// The records one after the other, each followed by "bytes of " + its name; `sizes` gets each
// file's size, for the header's file size table.
inline mv::Bytes RecordStream(std::vector<mv::FileRecord> records, std::vector<std::int32_t>* sizes = nullptr) {
  mv::Bytes stream;
  for (mv::FileRecord& r : records) {
    const std::string data = "bytes of " + r.name;
    r.data_size = static_cast<std::uint32_t>(data.size());
    const mv::Bytes head = mv::SerializeFileRecordHead(r);
    stream.insert(stream.end(), head.begin(), head.end());
    stream.insert(stream.end(), data.begin(), data.end());
    if (sizes) sizes->push_back(static_cast<std::int32_t>(data.size()));
  }
  return stream;
}

// A sound installer (stored chunks of `chunk_size`) whose file data is `stream` and whose file
// size table is `sizes`, whatever the two say.
inline mv::Bytes InstallerWithRecordStream(const mv::Bytes& stream, std::vector<std::int32_t> sizes,
                                           std::size_t chunk_size = 4u << 20) {
  mv::Lists lists;
  lists.Languages.push_back({u"English", {u""}});
  mv::Bytes settings = mv::WriteSettings(mv::Settings{}, 0);
  const mv::Bytes list_bytes = mv::WriteLists(lists);
  settings.insert(settings.end(), list_bytes.begin(), list_bytes.end());
  mv::DataBlockWriterOptions chunks;
  chunks.compress = false;
  chunks.chunk_size = chunk_size;
  mv::PackageHeader header;
  header.file_sizes = std::move(sizes);
  return mv::BuildInstaller(mv::testing::MakeTestPe(mv::testing::FourSections()), header, settings,
                            stream.empty() ? mv::Bytes{} : mv::EncodeDataBlock(stream, chunks))
      .file;
}

inline mv::Bytes InstallerWithRecords(const std::vector<mv::FileRecord>& records) {
  std::vector<std::int32_t> sizes;
  const mv::Bytes stream = RecordStream(records, &sizes);
  return InstallerWithRecordStream(stream, sizes);
}

}  // namespace mvpack::testing
