#include "package/file_walk.h"

#include <algorithm>
#include <utility>

#include "package/corrupt.h"
#include "package/header.h"

namespace mv {

namespace {

constexpr std::uint32_t kFlagInUninstallFolder = 0x40;
constexpr std::size_t kFirstWindow = 4096;

}  // namespace

void CheckFileRecord(const FileRecord& record, std::int32_t table_size) {
  if (table_size < 0) throw CorruptPackage(71, "negative size in the file table");
  if (table_size >= kMaxFileSize) throw CorruptPackage(72, "file size beyond the limit");
  if (record.data_size != static_cast<std::uint32_t>(table_size))
    throw CorruptPackage(73, "record size differs from the file table");
  const std::uint32_t kind = record.destination_kind;
  if ((kind == 2 || kind == 3 || kind >= 13) && !(record.flags & kFlagInUninstallFolder) &&
      record.destination.empty())
    throw CorruptPackage(110, "invalid destination kind " + std::to_string(kind));
}

FileRecordWalker::FileRecordWalker(ReadAt read, std::uint64_t stream_size, std::vector<std::int32_t> size_table)
    : read_(std::move(read)), size_(stream_size), table_(std::move(size_table)) {}

std::optional<WalkedFileRecord> FileRecordWalker::Next() {
  if (next_ >= table_.size()) return std::nullopt;
  const std::uint64_t remaining = size_ - position_;
  if (remaining < kFileRecordHeadSize) throw CorruptPackage(101, "file records end early");

  // The head's strings are counted, so its length is known only once it is read: start with a
  // small window and widen it while the head runs past it.
  std::size_t window = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kFirstWindow));
  ParsedFileRecord parsed;
  for (;;) {
    window_.resize(window);
    if (!read_(position_, window_)) throw CorruptPackage(101, "file record cannot be read");
    const std::uint32_t magic = window_[0] | window_[1] << 8 | window_[2] << 16 | std::uint32_t{window_[3]} << 24;
    if (magic != kFileRecordMagic) throw CorruptPackage(101, "file record magic");
    try {
      parsed = ParseFileRecordHead(window_);
      break;
    } catch (const CorruptPackage& e) {
      const bool cut_by_window = e.code() == 101 && window < remaining && window < kMaxFileRecordHead;
      if (!cut_by_window) throw;
      window = static_cast<std::size_t>(std::min<std::uint64_t>({remaining, std::uint64_t{window} * 4,
                                                                  kMaxFileRecordHead}));
    }
  }
  if (window_.capacity() > kFirstWindow * 4) std::vector<std::uint8_t>().swap(window_);

  WalkedFileRecord out;
  out.index = next_;
  out.record = std::move(parsed.record);
  CheckFileRecord(out.record, table_[next_]);
  out.data_offset = position_ + parsed.head_length;
  if (out.record.data_size > size_ - out.data_offset) throw CorruptPackage(101, "file bytes run past the stream");
  position_ = out.data_offset + out.record.data_size;
  ++next_;
  return out;
}

}  // namespace mv
