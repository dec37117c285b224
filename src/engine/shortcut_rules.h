// The decisions behind the product's shortcuts, apart from the shell calls that make them: which
// entries there are and which are made, how an entry's texts become a link's target, arguments and
// file name, where each kind of link goes, and what the uninstaller is told to remove for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lib/shell_link.h"
#include "package/lists.h"
#include "records/uninstall_data.h"

namespace mv {

// Product switches that add shortcut entries or limit them.
inline constexpr std::uint64_t kFlagUninstallerStartMenu = 1ull << 1;
inline constexpr std::uint64_t kFlagUninstallerDesktop = 1ull << 33;
inline constexpr std::uint64_t kFlagUninstallerInDataFolder = 1ull << 38;
inline constexpr std::uint64_t kFlagLogShortcut = 1ull << 59;
inline constexpr std::uint32_t kFlags2RemovableOnlyMarked = 1u << 11;
inline constexpr std::uint32_t kFlags2UninstallerInInstallFolder = 1u << 21;

// Everything the entry list is built from besides the entries themselves.
struct ShortcutSources {
  std::vector<ShortcutEntry> stored;      // the package's own entries, in package order
  std::vector<ShortcutEntry> from_files;  // the entries the installed files asked for
  std::uint64_t product_flags = 0;
  std::uint32_t product_flags2 = 0;
  bool uninstall_support = false;         // uninstall registration is on
  std::u16string uninstaller_path;
  std::u16string uninstall_key_name;
  std::u16string uninstaller_name;        // the uninstaller link's name (language text 33)
  std::u16string uninstaller_icon;        // the uninstaller's icon file; empty when there is none
  std::u16string uninstall_data_folder;
  std::u16string install_dir;
  std::u16string log_path;                // Install.log
  std::u16string log_name;                // the log link's name (language text 86)
};

// The entries in the order they are made: the package's (marked as coming from the package), the
// installed files', the uninstaller's (Start menu, desktop, uninstall-data folder, installation
// folder, as the product asks for them), then the log's Start-menu entry.
std::vector<ShortcutEntry> BuildShortcutList(const ShortcutSources& sources);

// Whether an entry is made: on a removable target with the removable-only switch, only the entries
// marked for removable drives are.
bool ShortcutSelected(const ShortcutEntry& entry, std::uint32_t product_flags2, bool removable_target);

// A program and its arguments taken apart.
struct ProgramAndArguments {
  std::u16string program;
  std::u16string arguments;
};

// The first double-quoted item of `text` (trimmed) and what follows it (trimmed at the start);
// nothing when the text holds no complete quoted item.
std::optional<ProgramAndArguments> SplitFirstQuoted(std::u16string_view text);

// Arguments of the form ~"program" more: the program becomes the link's target and the rest its
// arguments. Nothing when the arguments do not begin with a tilde and a double quote.
std::optional<ProgramAndArguments> SplitTildeArguments(std::u16string_view arguments);

// A command line whose first item is the program: a quoted item without its quotes, else the text up
// to the first blank; the rest, trimmed, are the arguments.
ProgramAndArguments SplitCommandLine(std::u16string_view command);

// The taskbar pin's target: its first quoted item and the rest, or the whole text as the program.
ProgramAndArguments SplitPinTarget(std::u16string_view target);

// A shortcut name made safe as a file name below the link's folder: each character a file name
// cannot hold (":", "\"", "?", "*", "<", ">", "|", "/" and control characters) becomes "_". A
// backslash stays: it separates sub-folders.
std::u16string SanitizeShortcutName(std::u16string_view name);

// Blanks (spaces and tabs) removed from both ends.
std::u16string TrimBlanks(std::u16string_view text);

// The link flags of an entry: all users with the all-users shortcut mode, minimised or maximised
// from its show state.
unsigned ShortcutFlags(std::uint8_t show_state, bool all_users);

// Where a link of an entry goes.
enum class ShortcutPlace { kDesktop, kDesktopFolder, kStartMenu, kStartup, kFolder };

// The folders the places stand for. `desktop_folder` is empty when the product has none, and
// `start_menu` is the product's own folder inside the Programs folder.
struct ShortcutFolders {
  std::u16string desktop;
  std::u16string desktop_folder;
  std::u16string start_menu;
  std::u16string startup;
};

// The link path (without ".lnk") of `name` at `place`; `explicit_folder` is the expanded folder of
// an entry that names one.
std::u16string ShortcutLinkPath(ShortcutPlace place, const ShortcutFolders& folders, std::u16string_view explicit_folder,
                                std::u16string_view name);

// The line the log gets for a link made at `place`: its format, with the name and the link path.
std::u16string_view ShortcutLogFormat(ShortcutPlace place);

// What the uninstaller removes for a link made at `place` under `name`: the link file, and its
// folder when the name leads into a sub-folder (always, for an explicit folder).
struct UninstallItem {
  std::u16string path;
  UninstallEntryKind kind;
  bool operator==(const UninstallItem&) const = default;
};
std::vector<UninstallItem> ShortcutUninstallItems(ShortcutPlace place, std::u16string_view link_file,
                                                  std::u16string_view name);

// Where the shell keeps the taskbar pin of `pin_name`, below the roaming application-data folder.
std::u16string PinnedLinkPath(std::u16string_view app_data, std::u16string_view pin_name);

}  // namespace mv
