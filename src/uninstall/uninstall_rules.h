// The decisions of the uninstall run: what Uninstall.dat's sections mean to it, the order of its
// steps, which folders it removes and where the walk up stops, the shared-file counts, the registry
// records it undoes and which folders a whole-tree deletion must never touch.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/lists.h"
#include "records/uninstall_file.h"

namespace mv {

// Option bits of the product's 64-bit "ProductFlags" and 32-bit "ProductFlags2".
inline constexpr std::uint64_t kUninstallDialogColours = 1ull << 4;
inline constexpr std::uint64_t kUninstallAutomatic = 1ull << 9;
inline constexpr std::uint64_t kUninstallDeleteTree = 1ull << 10;
inline constexpr std::uint64_t kUninstallRemoveFromPath = 1ull << 12;
inline constexpr std::uint64_t kUninstallBatch1Hidden = 1ull << 26;
inline constexpr std::uint64_t kUninstallBatch2Hidden = 1ull << 27;
inline constexpr std::uint64_t kUninstallNoBackground = 1ull << 29;
inline constexpr std::uint64_t kUninstallRegistry64 = 1ull << 32;
inline constexpr std::uint64_t kUninstallErrorsWhenAutomatic = 1ull << 35;
inline constexpr std::uint64_t kUninstallRestart = 1ull << 45;
inline constexpr std::uint64_t kUninstallHidePaths = 1ull << 49;
inline constexpr std::uint64_t kUninstallShowProgress = 1ull << 51;
inline constexpr std::uint64_t kUninstallKeepLog = 1ull << 54;
inline constexpr std::uint32_t kUninstallCompletionMessage = 1u << 18;

// "ProductFlags" is written as the decimal text of a signed 64-bit number; anything else reads as 0.
std::uint64_t ParseProductFlags(std::u16string_view text);

// One line of the main list.
enum class UndoKind { kFile, kFolder, kRegistryValue, kRegistryKey, kRegistryKey64 };
struct UndoItem {
  UndoKind kind = UndoKind::kFile;
  std::string text;  // the line without its kind character (a file line whole)
  bool operator==(const UndoItem&) const = default;
};
// The kind from the first character: "~" folder, "!" registry value, "^" key, "*" key in the 64-bit
// view, anything else a file. Empty lines give nothing.
std::optional<UndoItem> ClassifyUndoLine(std::string_view line);

// An "[Associations]" line: extension, program identifier, verb and icon separated by "~!~".
struct UndoAssociation {
  std::string extension, program_id, verb, icon;
  bool operator==(const UndoAssociation&) const = default;
};
// Nothing for a line whose extension, identifier or verb is empty (or that has fewer fields).
std::optional<UndoAssociation> ParseAssociationLine(std::string_view line);

// The uninstaller's lists, made from the file's records.
struct UninstallLists {
  std::vector<UndoItem> main;
  std::vector<UndoAssociation> associations;
  std::vector<AutoCloseEntry> auto_close;
  std::vector<NumberedText> strings;
  std::vector<std::string> firewall, drivers, packages;
  std::u16string registry_script;
  std::vector<DeletionRecord> conditional_deletions;
};
UninstallLists MakeUninstallLists(const UninstallFile& file);

// The texts of "[Strings]" as a language whose text n is the one numbered n (others empty).
Language UninstallLanguage(const std::vector<NumberedText>& strings);

// The removal steps, in the order they run.
enum class RemovalStep {
  kAssociations, kFonts, kSharedFiles, kTaskbarPins, kInstallerPackages, kMainList, kPendingOperations,
  kFolders, kRewriteRecord, kStartMenu, kProductRegistry, kRegistryRecords, kFirewall, kDrivers,
  kDeleteTree, kSharedFolder, kFinish, kNotifyShell,
};
const std::vector<RemovalStep>& RemovalOrder();

// The progress of a file line: 11 + trunc(81 x the fraction of the main list already walked).
int MainListProgress(std::size_t index, std::size_t count);

// Whether two folders are the same: case ignored (ASCII and Latin letters via `fold`), one trailing
// backslash ignored.
bool SameFolder(std::u16string_view a, std::u16string_view b);

// Whether `path` lies inside `folder` (below it, not the folder itself); case and a trailing
// backslash of the folder ignored.
bool IsInsideFolder(std::u16string_view path, std::u16string_view folder);

// The texts between pairs of double quotes, in order ("ProductFonts": title, file, title, file...).
std::vector<std::u16string> QuotedTexts(std::u16string_view text);

// The remembered folders, longest first (a stable order among equal lengths).
std::vector<std::u16string> FoldersLongestFirst(std::vector<std::u16string> folders);

// The folders a removal tries, from `folder` up through its parents, stopping before the
// installation folder and before a drive root; at most 50.
std::vector<std::u16string> FolderWalk(std::u16string_view folder, std::u16string_view install_location);

// A shared file's count after one user is gone: a count of at least 1 goes down by 1, a count of 0
// (or below) stays. The file is still in use while the new count is at least 1.
struct SharedCountStep {
  std::optional<std::uint32_t> new_count;  // the count to write; nothing when it stays as it is
  bool still_used = false;
};
SharedCountStep CountDownShared(std::int64_t count);

// One entry of "SharedFiles": the path and the markers read from its end.
struct SharedEntry {
  std::string path;  // NarrowPath
  bool com_server = false;    // "^"
  bool count_only = false;    // " "
  bool type_library = false;  // 0xA9
  bool operator==(const SharedEntry&) const = default;
};
// The quoted entries separated by ";".
std::vector<SharedEntry> ParseSharedFiles(std::string_view text);

// What a "[Registry2]" record asks the uninstaller to undo.
struct RegistryUndo {
  enum Kind { kDeleteEmptyKey, kDeleteValue } kind = kDeleteEmptyKey;
  std::u16string key;         // the path as written ("\HKLM\Software\..." or "\HKAU\...")
  std::u16string value_name;  // for kDeleteValue
  bool every_user = false;    // the key begins with "\HKAU\": done in every user hive
  bool operator==(const RegistryUndo&) const = default;
};
// One record per line; a record of one field is a key removed when empty (only with at least two
// backslashes), one of five fields a value removed for kinds 2, 3, 5 and 7; others give nothing.
// The values come first and the keys after them in reverse order, so that a key the script created
// before its values (or before its sub-keys) is empty by the time its turn comes.
std::vector<RegistryUndo> InterpretRegistryRecords(std::u16string_view script);

// What removing one "[Firewall]" entry takes away: the port exceptions of the protocols it selects,
// or the exception of one program.
struct FirewallRemoval {
  std::optional<std::uint16_t> port;  // a port entry
  std::vector<long> protocols;        // its protocol numbers (6 TCP, 17 UDP), TCP first
  std::u16string program;             // a program entry: the program's full path
  bool operator==(const FirewallRemoval&) const = default;
};
// Nothing for an entry without exactly four fields, a port outside 1 to 65535, a port entry that
// selects no protocol, or a program entry whose path comes out empty. `program_path` turns a
// program target into a path (its encoding and variables); a relative one is taken below
// `install_location`.
std::optional<FirewallRemoval> FirewallRemovalOf(std::string_view entry, std::u16string_view install_location,
                                                 const std::function<std::u16string(std::string_view)>& program_path);

// Whether the support offer is an address that is offered.
bool IsSupportAddress(std::u16string_view text);

// The text of the batch that removes the uninstaller after its process ends.
std::u16string SelfRemovalBatchText(std::u16string_view uninstaller, std::u16string_view install_location,
                                    std::u16string_view uninstall_subdir, std::u16string_view batch_path);

// The command line that starts it: the interpreter ("%comspec%", or "cmd.exe" when that is empty)
// quoted, then "/c" and the batch path quoted.
std::u16string SelfRemovalCommandLine(std::u16string_view comspec, std::u16string_view batch_path);

// Why a whole-tree deletion refuses a folder; kAllowed when it may go ahead. `guarded` holds the
// system's folders that are never deleted (Windows, system, Program Files, Common Files, profiles);
// a folder that holds one of them is refused too.
enum class TreeVerdict { kAllowed, kMalformed, kDriveRoot, kGuarded };
TreeVerdict GuardedFolderVerdict(std::u16string_view folder, const std::vector<std::u16string>& guarded);

}  // namespace mv
