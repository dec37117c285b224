// Decisions of the file extraction: what each destination kind means, where a record's file goes, and
// whether an existing file is overwritten (with the log line that says why). The Windows side gathers
// the facts (folders, the existing file's date and version) and acts on the outcome.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/date.h"

namespace mv {

// Record flags.
inline constexpr std::uint32_t kRecordDesktopShortcut = 0x1;
inline constexpr std::uint32_t kRecordStartMenuShortcut = 0x2;
inline constexpr std::uint32_t kRecordPermanent = 0x20;
inline constexpr std::uint32_t kRecordInUninstallFolder = 0x40;
inline constexpr std::uint32_t kRecordRemoveMsiPackage = 0x80;
inline int OverwriteMode(std::uint32_t flags) { return static_cast<int>((flags >> 2) & 7); }

enum class BaseFolder { kInstall, kShared, kFonts, kSystem };
enum class ExistingCheck { kNone, kDate, kVersionThenDate };

struct KindRules {
  BaseFolder base = BaseFolder::kInstall;
  ExistingCheck check = ExistingCheck::kNone;
  bool recorded = false;       // the written file gets a file entry in the uninstall records
  bool create_folder = false;  // its folder is created when the file goes to the base folder
};

// The rules of a destination kind; `removable_target` decides whether kind 1 is recorded. Kinds
// without rules of their own (2, 3, 13 and above, allowed only with a destination or the
// uninstall-data folder) go to the installation folder with no check and are recorded.
KindRules RulesOfKind(std::uint32_t kind, bool removable_target);

struct DestinationInput {
  std::uint32_t kind = 0;
  std::uint32_t flags = 0;
  std::u16string name;         // S1: the file name, possibly with a relative sub-path
  std::u16string destination;  // S3
  bool removable_target = false;
  std::u16string file_option_text;  // the shared files' folder on a removable target
  std::u16string install_dir, shared_dir, uninstall_dir, fonts_dir, system_dir;
};

struct Destination {
  std::u16string name;    // F: the name the file is installed under (S3 when that was a plain name)
  std::u16string path;    // the full destination
  std::u16string folder;  // the folder it is in
  bool create_folder = false;
};

// Where a record's file goes. `expand` expands the variables of a destination text.
Destination PlanDestination(const DestinationInput& in, const std::function<std::u16string(std::u16string)>& expand);

// `relative` against `base`: a leading backslash means the root of base's drive, a drive letter with
// a relative path that drive's root, leading ".." components step up from base (never above its
// root), an absolute path stands as it is.
std::u16string ResolveAgainst(std::u16string_view base, std::u16string_view relative);

// The existing file at the destination, as far as it could be read.
struct ExistingFile {
  bool exists = false;
  std::optional<FileDateTime> date;  // last write, UTC; nullopt when it could not be read
  std::u16string version;            // "" when it has none
};

struct OverwriteInput {
  std::uint32_t kind = 0;
  std::uint32_t flags = 0;
  std::u16string destination;
  FileDateTime record_date;
  std::u16string record_version;  // S2
  bool removable_target = false;
  ExistingFile existing;
};

struct OverwriteDecision {
  bool write = false;
  bool record = false;               // give the destination a file entry in the uninstall records
  bool replacement_allowed = false;  // the existence test of the kind check found the file
  std::u16string log;                // the line for the installation log, or ""
};

// The overwrite mode, then the kind's existing-file check.
OverwriteDecision DecideOverwrite(const OverwriteInput& in);

// Which facts DecideOverwrite needs of an existing file: whether there is one and its date (modes 2
// to 4 and the kinds with a check), its version (kinds 6 to 9 with a version in the record). Each
// look costs a file-system call per file, so a file that needs none is not looked at.
bool NeedsExistingFile(const OverwriteInput& in);
bool NeedsExistingVersion(const OverwriteInput& in);

}  // namespace mv
