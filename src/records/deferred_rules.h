// Decisions behind in-use replacement and deferred deletion: the conditions of the package's
// conditional deletions, the edit of the system's list of operations pending until restart, the
// "[rename]" section of the old-style restart file, and the texts a failed write reports. The Windows
// side (deferred_ops_win) gathers the facts and performs what is decided here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"

namespace mv {

// --- Conditional deletions ----------------------------------------------------------------------

enum class DeletionTest {
  kAlways,         // condition 0 or above 6
  kDateEqual,      // 1
  kDateNotBefore,  // 2
  kDateNotAfter,   // 3
  kSizeEqual,      // 4
  kSizeAtLeast,    // 5
  kSizeAtMost,     // 6
};

struct DeletionCondition {
  DeletionTest test = DeletionTest::kAlways;
  FileDateTime date;       // date tests; without a time only the day is compared
  std::uint64_t size = 0;  // size tests
};

// The condition of a record with its comparison text: "yyyy/mm/dd" with an optional " hh:mm:ss" for
// the date tests, a decimal number of bytes for the size tests. Throws CorruptPackage(65) when the
// text is not of its form or names a day that does not exist: a size or date that cannot be read
// must never widen a deletion to every file.
DeletionCondition ParseDeletionCondition(std::uint8_t condition, std::string_view comparison);

// Whether a file with this last-write time (UTC) and size is to be deleted.
bool DeletionConditionHolds(const DeletionCondition& condition, const FileDateTime& last_write,
                            std::uint64_t size);

// "File "%s" will be deleted after rebooting." or "...rebooting: <message>".
std::u16string DeferredDeletionLine(std::u16string_view path, std::u16string_view failure_message);

// --- Operations pending until restart -----------------------------------------------------------

// The strings of a REG_MULTI_SZ value, empty ones kept (an empty target marks a deletion); the list's
// own terminating empty string is dropped.
std::vector<std::u16string> SplitMultiString(std::u16string_view data);
// Each string with its terminating zero, then the list's terminating zero.
std::u16string JoinMultiString(const std::vector<std::u16string>& strings);

// A pending-operation path as a file name: the leading "\", "?" and "!" marks of the system's path
// forms removed ("\??\C:\a" and "!\??\C:\a" both give "C:\a").
std::u16string PendingPathAsFileName(std::u16string_view path);

struct PendingCleanup {
  std::vector<std::u16string> kept;               // the list to write back
  std::vector<std::u16string> sources_to_delete;  // temporary files of dropped moves, as file names
  std::u16string log;                             // one line per dropped pair
  bool changed = false;                           // write back only then
};

// Drops the pairs that concern files just installed: a move whose target is such a file (its
// temporary source is to be deleted) and a deletion of such a file. `installed` is asked with
// paths in file-name form and compares them as the file system does. A last string without its
// partner is kept as it is.
PendingCleanup CleanPendingList(const std::vector<std::u16string>& strings,
                                const std::function<bool(std::u16string_view)>& installed);

// The "[rename]" section of the old-style restart file with the line "<target>=<source>" added
// right after its header, or the section appended with that line when the file has none (after a
// line break when the text does not end with one).
std::string AddRenameLine(std::string_view ini, std::string_view target, std::string_view source);

// --- Failed writes ------------------------------------------------------------------------------

inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorDiskFull = 112;
inline constexpr std::uint32_t kErrorInvalidName = 123;

struct AfterWriteFailure {
  bool replace = false;    // write beside the target and replace it at the next restart
  bool disk_full = false;  // the run ends with the disk-full code; the partial file is deleted
};

// What follows the last failed attempt with `error`: an invalid name and a full disk never try
// replacement; otherwise the caller or the product may allow it.
AfterWriteFailure DecideAfterWriteFailure(std::uint32_t error, bool caller_allows, bool product_allows);

// The paragraph's start: "\r\n" + heading (LanguageText 31) + " " + path + "\r\n".
std::u16string WriteFailureHead(std::u16string_view heading, std::u16string_view path);
// "Drive X: is not present.\r\n" for a path that begins with a drive letter.
std::u16string DriveMissingLine(std::u16string_view path);
std::u16string ReplacementRegisteredText(std::u16string_view target, std::u16string_view temporary);
std::u16string ReplacementNoTemporaryText(std::u16string_view target, std::u16string_view system_message);
std::u16string ReplacementFailedText(std::u16string_view target, std::u16string_view temporary,
                                     std::u16string_view system_message);

// The attributes after a write: the read-only, hidden, system, archive, temporary and offline bits
// of `requested`, every other bit of `current`.
inline constexpr std::uint32_t kRequestedAttributeBits = 0x1127;
inline std::uint32_t MergeAttributes(std::uint32_t current, std::uint32_t requested) {
  return (current & ~kRequestedAttributeBits) | (requested & kRequestedAttributeBits);
}

}  // namespace mv
