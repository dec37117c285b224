// The end of an installation as decisions: the values of the product's Uninstall key (names, forms,
// order and deletions), the names of the saved readme and licence texts, the restart decision and
// the exit code.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "package/settings.h"

namespace mv {

// ProductFlags bits of the end of the run.
inline constexpr std::uint64_t kFlagSaveReadme = 1ull << 46;        // save the readme texts
inline constexpr std::uint64_t kFlagSaveLicense = 1ull << 47;       // save the licence texts
inline constexpr std::uint64_t kFlagHideFileNames = 1ull << 49;     // no file names in the status line
inline constexpr std::uint64_t kFlagRebootMarker = 1ull << 53;      // leave "reboot.dat" in the folder
inline constexpr std::uint64_t kFlagAskRestartAlways = 1ull << 41;  // ask even in automatic runs
// ProductFlags2 bits of the end of the run.
inline constexpr std::uint32_t kFlags2LaunchDirectly = 1u << 20;  // start LaunchProgram without the shell

// The key every product registers under (HKEY_LOCAL_MACHINE, 32-bit view), without its name.
inline constexpr char16_t kUninstallKeyRoot[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// How a value of the Uninstall key is written.
enum class UninstallValueForm {
  kText,    // REG_SZ from `text`
  kText8,   // REG_SZ through the 8-bit registry interface from `text8`
  kNumber,  // REG_DWORD of `number`
  kQword,   // REG_QWORD of `number`
  kDelete,  // the value is deleted (an empty text, a zero number, a group that does not apply)
};

struct UninstallValue {
  std::u16string name;
  UninstallValueForm form = UninstallValueForm::kDelete;
  std::u16string text;
  std::string text8;
  std::uint64_t number = 0;
  bool operator==(const UninstallValue&) const = default;
};

// What the run knows besides the settings when it registers the product.
struct UninstallFacts {
  std::u16string uninstaller_path;
  std::u16string installer_path;     // the running installer
  std::u16string product_icon_path;  // the saved "product.ico"; empty when the package has no icon
  std::u16string start_menu_folder;
  std::u16string shared_folder;
  std::string product_fonts;  // 8-bit
  std::string shared_files;   // 8-bit
  std::string support_offer;  // 8-bit
  std::uint64_t session = 0;
  std::u16string language_name;
  std::uint64_t bytes_written = 0;
};

// The uninstaller's arguments: /u:"<key name>".
std::u16string UninstallArguments(std::u16string_view key_name);
// "UninstallString": the quoted uninstaller path, a space and the arguments.
std::u16string UninstallCommand(std::u16string_view uninstaller_path, std::u16string_view key_name);

// The decimal numbers before the first "." and after it ("3.12.5" gives 3 and 12); nullopt when
// the version has no ".". A part without leading digits is 0; one too large for 32 bits is the
// largest 32-bit number.
std::optional<std::pair<std::uint32_t, std::uint32_t>> VersionMajorMinor(std::string_view version);

// A colour (0x00BBGGRR) as six upper-case hexadecimal digits, red first.
std::string ColourText(std::uint32_t colour);

// Every value of the Uninstall key, in the order written; `settings` are the run's (effective)
// settings.
std::vector<UninstallValue> UninstallValues(const Settings& settings, std::uint32_t product_flags2,
                                            const UninstallFacts& facts);

// "InstallDate": the date as eight digits, year, month and day.
std::string InstallDateText(int year, int month, int day);

// An extra uninstall value of the package: where it goes and what is written.
struct ExtraValuePlan {
  std::u16string key;  // empty: the product's Uninstall key; else a key path (32-bit view)
  std::u16string value_name;
  UninstallValueForm form = UninstallValueForm::kDelete;  // kText, kNumber or kDelete
  bool expandable = false;                                // REG_EXPAND_SZ instead of REG_SZ
  std::u16string text;
  std::uint32_t number = 0;
};
// Kind 1 text and 2 expandable text (both deleted when empty), 4 a 32-bit number read from the
// text's leading decimal digits. Any other kind is a damaged package: throws CorruptPackage(200).
ExtraValuePlan PlanExtraValue(std::u16string_view name, std::uint8_t kind, std::u16string_view expanded_value);

// The file names of the saved texts, one per entry: nullopt for an empty entry. Non-empty entries
// are numbered from 1; "<stem>.txt" when the first saved entry is also the list's last, otherwise
// "<stem><n>.txt"; rich texts take ".rtf".
std::vector<std::optional<std::u16string>> SavedTextNames(const std::vector<Bytes>& entries,
                                                          std::u16string_view stem);
// The bytes a saved text is written with: rich text as stored; plain text (UTF-16LE, with or
// without its byte-order mark) as UTF-16LE preceded by FF FE.
Bytes SavedTextBytes(std::span<const std::uint8_t> stored);

// What the end of the run does about a pending replacement.
enum class RestartAction { kNone, kAsk, kRestart };
struct RestartFacts {
  bool pending = false;      // a file waits for the restart
  bool automatic = false;    // /a or /silent
  bool ask_always = false;   // the product asks even in automatic runs
  bool no_restart = false;   // /norestart
};
RestartAction DecideRestart(const RestartFacts& facts);
// In silent mode a question counts as confirmed.
inline bool RestartConfirmed(bool silent, bool user_said_yes) { return silent || user_said_yes; }

// 16 when a replacement is pending, else 17 after a full disk, else 0.
int CompletionExitCode(bool restart_pending, bool disk_full);

// Whether a folder holding these names counts as empty: nothing, or only "thumbs.db" and
// "desktop.ini" (any letter case).
bool CountsAsEmptyFolder(const std::vector<std::u16string>& names);

}  // namespace mv
