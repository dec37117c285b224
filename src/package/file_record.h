// The file records of the decoded file data: a 48-byte head, six counted strings and the file's bytes,
// one record after the other.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "base/bytes.h"

namespace mv {

inline constexpr std::uint32_t kFileRecordMagic = 0x600FFEE1;
inline constexpr std::size_t kFileRecordHeadSize = 48;

struct FileRecord {
  std::uint32_t destination_kind = 0;  // the installation folder
  std::uint32_t flags = 0;
  std::uint32_t attributes = 0xFFFFFFFF;  // 0xFFFFFFFF leaves the attributes alone
  std::uint32_t data_size = 0;
  std::array<std::int32_t, 6> date{};     // year, month, day, hour, minute, second
  std::uint32_t installer_ui_level = 0;
  std::string name;                // S1: NarrowPath
  std::string version;             // S2: UTF-8
  std::u16string destination;      // S3
  std::u16string icon;             // S4
  std::u16string arguments;        // S5
  std::u16string working_folder;   // S6
  bool operator==(const FileRecord&) const = default;
};

// The head and strings of a record; the file's data_size bytes follow them in the stream.
Bytes SerializeFileRecordHead(const FileRecord& record);

// Reads the head and strings of the record at the start of `bytes` and returns the record and the
// length of its head; the file's bytes follow. Codes: 101 for a wrong magic or a head cut short, 70
// for a record without a name.
struct ParsedFileRecord {
  FileRecord record;
  std::size_t head_length = 0;
};
ParsedFileRecord ParseFileRecordHead(std::span<const std::uint8_t> bytes);

}  // namespace mv
