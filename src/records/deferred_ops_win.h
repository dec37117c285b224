// In-use replacement and deferred deletion: the file writer that retries, creates missing folders and,
// when a target stays locked, writes beside it and has it replaced at the next restart; deletion now
// or at restart (or to the Recycle Bin); the clean-up of stale pending operations; the package's
// conditional deletions. Failures go to the log or the failure summary; the run goes on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/date.h"
#include "package/lists.h"

namespace mv {

// Where WriteFileWithReplacement takes the file's bytes from: a block of memory, or `length` bytes
// of an open file from `offset` on (read positionally, so every attempt starts from the same place
// and the file is streamed in large blocks, never held whole), or a block of memory followed by such
// a range.
struct WriteSource {
  std::span<const std::uint8_t> data;
  HANDLE file = nullptr;
  std::uint64_t offset = 0;
  std::int64_t length = 0;
  // When set, called before the bytes of `file` up to `end` are read: the file may still be being
  // written. It may wait for them, or throw to abandon the write.
  std::function<void(std::uint64_t end)> await_bytes = nullptr;

  static WriteSource Memory(std::span<const std::uint8_t> bytes) {
    return {bytes, nullptr, 0, static_cast<std::int64_t>(bytes.size())};
  }
  static WriteSource FileRange(HANDLE file, std::uint64_t offset, std::int64_t length) {
    return {{}, file, offset, length};
  }
  static WriteSource HeadAndFileRange(std::span<const std::uint8_t> head, HANDLE file, std::uint64_t offset,
                                      std::int64_t length) {
    return {head, file, offset, length};
  }
};

// The attributes value that leaves a file's attributes alone.
inline constexpr std::uint32_t kKeepAttributes = 0xFFFFFFFF;

// Writes the file at `path` (creating or replacing it): three attempts 50 ms apart; after the first
// failure a missing folder chain is created and, when the product asks, restrictive attributes
// cleared. After a successful write a complete `times` sets the creation and last-write times (as
// UTC) and `attributes` (unless kKeepAttributes) replace the bits 0x1127. When every attempt fails
// the failure is reported; with replacement allowed (by the caller or the product) the bytes go to a
// new temporary file beside the target, registered to replace it at the next restart: then
// `replacement_registered` is set, restart is pending, and the text goes to the log. A full disk sets
// the run's disk-full state and leaves no partial file. Returns true only for a direct write. A
// negative length is a damaged package (CorruptPackage 5).
bool WriteFileWithReplacement(const std::u16string& path, const WriteSource& source, const FileDateTime& times,
                              std::uint32_t attributes, bool replacement_allowed,
                              bool* replacement_registered = nullptr);

// Registers `temporary` to replace `target` at the next restart: the system's delayed move, else a
// "[rename]" line in the Windows folder's restart file when the system still reads one. An empty
// target or a missing temporary file fails; identical paths succeed at once.
bool RegisterReplacement(const std::u16string& temporary, const std::u16string& target);

struct DeleteOptions {
  bool keep_read_only = false;      // otherwise the read-only attribute is cleared first
  bool at_restart_only = false;     // do not try now
  bool restart_on_failure = false;  // when deleting now fails, delete at the next restart
  bool missing_is_success = false;  // a file that is not there counts as deleted
  bool recycle = false;             // to the Recycle Bin, silently and without confirmation
};

// Deletes a file now or at the next restart. True when it is gone or registered for deletion; on
// failure the system error is the last error.
bool DeleteFileDeferred(const std::u16string& path, const DeleteOptions& options);

// File paths compared as the file system compares names (without regard to case).
class FileNameSet {
 public:
  void Add(std::u16string_view path);
  bool Contains(std::u16string_view path) const;
  bool empty() const { return keys_.empty(); }
  std::size_t size() const { return keys_.size(); }

 private:
  std::unordered_set<std::u16string> keys_;
};

// Drops from the system's pending operations every move onto, and every deletion of, a file in
// `installed` (deleting the moves' temporary files); logs each one unless uninstalling. The value is
// rewritten only when something was dropped.
void CleanPendingOperations(const FileNameSet& installed, bool uninstalling);

// The package's conditional deletions for this phase (installing: flag bit 2; uninstalling: bit 3).
// `expand` expands the variables of a path; relative paths are taken under `install_dir`. When
// uninstalling, records that caused no failure are removed from `records`. A comparison that cannot
// be read throws CorruptPackage(65).
void RunConditionalDeletions(bool installing, std::vector<DeletionRecord>& records,
                             const std::function<std::u16string(std::u16string)>& expand,
                             const std::u16string& install_dir);

}  // namespace mv
