// mvpack extract: an installer's files written under one folder, by the base folder each would be
// installed to, with their dates. Installers come from anywhere, so every path a record names is
// checked before anything is written: nothing may land outside the folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <span>
#include <string>

#include "package/file_record.h"

namespace mvpack {

// Where a record's file goes below the extraction folder, as a relative path with "/" separators
// (UTF-8): "install/", "shared/", "system/", "fonts/" or "uninstall/" for the base folder, then the
// sub-path the installer would use below it. Empty `refusal` means the path is safe; otherwise it
// says why the record is refused (an absolute path, a drive letter, a ".." component, no file name)
// and `path` is empty.
struct ExtractTarget {
  std::string path;
  std::string refusal;
};
ExtractTarget ExtractTargetOf(const mv::FileRecord& record);

// A record's name (S1, a NarrowPath) as UTF-8: after "|" it is UTF-8 already (broken sequences
// become U+FFFD), otherwise Windows-1252.
std::string RecordNameUtf8(const std::string& narrow);

// One line per record for `mvpack extract --list`: kind, flags (hexadecimal), overwrite mode, size,
// date ("-" when the record has none) and the target below the folder (or "refused: " + reason).
std::string ListLine(const mv::FileRecord& record);

struct ExtractSummary {
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
};

// Writes every file of `installer` below `folder` (created when missing), each with the record's
// date as its modification time (UTC) when the date is complete. Every record is checked first; a
// refused one throws std::runtime_error naming it before any file is written. Files are created
// without following a link at their place, and no folder on the way may be a link. A later record
// for the same target replaces an earlier one, as it would on installation. Package damage throws
// mv::CorruptPackage.
ExtractSummary ExtractInstaller(std::span<const std::uint8_t> installer, const std::filesystem::path& folder);

// Prints ListLine for every record; returns the number of refused records.
std::uint64_t ListInstaller(std::span<const std::uint8_t> installer, std::ostream& out);

}  // namespace mvpack
