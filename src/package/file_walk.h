// Walking the file records of a decoded file-data stream, wherever the stream is held (the runtime's
// extraction file, mvpack's memory), with every check a record must pass.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "package/file_record.h"

namespace mv {

// A record's head is at most this long (six counted strings of paths, names and arguments); a
// longer one is taken as damaged (101) rather than read into memory.
inline constexpr std::size_t kMaxFileRecordHead = 4u << 20;

// The checks of a record against its entry in the header's file size table: 71 for an entry below
// 0, 72 for one of kMaxFileSize or more, 73 when the record's data size differs from it, 110 for a
// destination kind of 2, 3 or 13 and above without flag bit 6 and without a destination (S3).
void CheckFileRecord(const FileRecord& record, std::int32_t table_size);

struct WalkedFileRecord {
  std::uint32_t index = 0;         // 0 .. N-1
  FileRecord record;
  std::uint64_t data_offset = 0;   // where the file's bytes begin in the stream
};

// Reads the N records (N = the size table's length) one after the other.
class FileRecordWalker {
 public:
  // Fills `out` with the stream's bytes at `offset`; false when they cannot all be read.
  using ReadAt = std::function<bool(std::uint64_t offset, std::span<std::uint8_t> out)>;

  FileRecordWalker(ReadAt read, std::uint64_t stream_size, std::vector<std::int32_t> size_table);

  // The next record, checked; nullopt after the last. Throws CorruptPackage: 101 for a head that is
  // cut short or damaged (also when the stream ends before N records, or a file's bytes run past
  // its end), 70 for an empty name, and CheckFileRecord's codes.
  std::optional<WalkedFileRecord> Next();

  // Where the next record begins; after the last one, the end of the records (the stream's size
  // for a sound stream).
  std::uint64_t position() const { return position_; }

 private:
  ReadAt read_;
  std::uint64_t size_;
  std::vector<std::int32_t> table_;
  std::uint32_t next_ = 0;
  std::uint64_t position_ = 0;
  std::vector<std::uint8_t> window_;
};

}  // namespace mv
