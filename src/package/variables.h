// The installation variables ("%InstallDir%" and the rest of the table) and the placeholders
// ("<product>" ...): the replacement engine, the table in its order of application, and the pure
// rules that turn facts into values. The Windows layer (vars/expand) gathers the facts afresh at
// every call and hands them in through a value function.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace mv {

// One name of a replacement table. Names match without regard to ASCII letter case unless
// `exact_case` is set.
struct VariableName {
  std::u16string_view name;
  bool exact_case = false;
};

// Replaces, row by row in table order, every occurrence of each name by its value. `value_of` is
// called with the row's index only when the name occurs in the text as the row is reached, and at
// most once per row. Later rows see the text as earlier rows left it (a value that contains a later
// name is replaced by that later row); a value is never rescanned by its own row.
void ReplaceNames(std::u16string& text, std::span<const VariableName> table,
                  const std::function<std::u16string(std::size_t)>& value_of);

// The variable table, in its order of application. The enumerators index kVariableTable.
enum class Variable : std::uint8_t {
  kAppDataAllDir, kAppDataDir, kAutomatic, kBits, kBootDrive, kCommonDir, kCommonDir32, kCommonDir64,
  kDesktopAllDir, kDesktopDir, kDesktopShortcuts, kDeviceDir, kDocumentAllDir, kDocumentDir, kExisting,
  kFavoritesAllDir, kFavoritesDir, kFontDir, kInetpub, kInstallDir, kInstallDrive, kInstallerDir,
  kInstallerDrive, kInstallerFilename, kInstallerFilepath, kUninstallerFilepath, kLanguage, kLogFilepath,
  kMediaDir, kNetworkInstall, kOldVersion, kOldVersionMajor, kOldVersionMinor, kPortable, kProductName,
  kCompanyName, kProgramsDir, kProgramsDir32, kProgramsDir64, kSharedDir, kSMProgramsAllDir, kSMProgramsDir,
  kStartMenuAllDir, kStartMenuChosen, kStartMenuDir, kStartupAllDir, kStartupDir, kSystemDir, kTemp,
  kUninstallDir, kWinDir, kVersion, kVersionMajor, kVersionMinor, kOS, kOSMajor, kOSMinor, kOSName,
  kOSDescription, kOSServer,
};
inline constexpr std::size_t kVariableCount = static_cast<std::size_t>(Variable::kOSServer) + 1;

extern const std::array<VariableName, kVariableCount> kVariableTable;

// The table applied to `text`; `value_of` yields the value of one variable (see ReplaceNames).
void ReplaceVariables(std::u16string& text, const std::function<std::u16string(Variable)>& value_of);

// The placeholders, matched with exact case, in their order of application.
enum class Placeholder : std::uint8_t { kProduct, kDescription, kOs, kLbDate };
void ReplacePlaceholderNames(std::u16string& text, const std::function<std::u16string(Placeholder)>& value_of);

// --- Values -------------------------------------------------------------------------------------

// "%VersionMajor%": the leading integer of the version text (white space skipped, an optional sign,
// decimal digits; 0 when there are none), limited to the 32-bit range.
std::int32_t VersionMajor(std::string_view version);
// "%VersionMinor%": the integer after the first "." read the same way; 0 without a ".".
std::int32_t VersionMinor(std::string_view version);

// "%OldVersionMajor%" (part 0) and "%OldVersionMinor%" (part 1): that "."-separated part of the
// old version text, empty when the text has fewer parts.
std::u16string VersionPart(std::u16string_view version, std::size_t part);

// The drive of a path: its letter and ":" when it begins with a drive letter, else empty.
std::u16string DriveOf(std::u16string_view path);
// Folder and file name of a path, split at its last backslash (or slash). A path without one is all
// file name; the folder of "C:\setup.exe" is the drive root "C:\".
std::u16string FolderOf(std::u16string_view path);
std::u16string FileNameOf(std::u16string_view path);

// `folder` and `name` joined by one backslash; `folder` alone when `name` is empty.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

// "%LogFilepath%": the installation folder, the uninstall sub-folder when there is one, "Install.log".
std::u16string LogFilePath(std::u16string_view install_dir, std::u16string_view uninstall_subdir);

// Drive types as GetDriveType reports them.
inline constexpr unsigned kDriveRemovable = 2;
inline constexpr unsigned kDriveRemote = 4;
inline constexpr unsigned kDriveCdRom = 5;
inline constexpr unsigned kDriveRamDisk = 6;

// "%Portable%": a removable, CD-ROM or RAM-disk drive.
bool IsRemovableLikeDrive(unsigned drive_type);
// "%NetworkInstall%": a UNC path ("\\server\...") or a path on a remote drive.
bool IsNetworkLocation(std::u16string_view path, unsigned drive_type);

inline std::u16string Flag(bool on) { return on ? u"1" : u"0"; }
std::u16string Decimal(std::int64_t n);

// --- Dates --------------------------------------------------------------------------------------

// Month and day names of the user's locale; an empty name is written as its number instead.
struct DateNames {
  std::array<std::u16string, 12> months, abbreviated_months;  // January first
  std::array<std::u16string, 7> days, abbreviated_days;       // Monday first
};

// A date written with a short-date pattern of the system's picture form: d dd ddd dddd, M MM MMM
// MMMM, y yy yyyy (yyy and longer runs give the full year), g/gg (era, left out), text between
// single quotes literal ('' is one quote), every other character as it is.
std::u16string FormatShortDate(std::u16string_view pattern, int year, int month, int day,
                               const DateNames& names = {});

// --- Folders ------------------------------------------------------------------------------------

// One source of a folder lookup, asked only when every earlier source gave nothing.
using FolderSource = std::function<std::u16string()>;

// The first non-empty result of the sources in order, without a trailing backslash (see
// StripTrailingBackslash); empty when every source is empty.
std::u16string FirstFolder(std::initializer_list<FolderSource> sources);

// One trailing backslash removed, except from a drive root ("C:\").
std::u16string StripTrailingBackslash(std::u16string_view folder);

// The folder `levels` steps above `folder`; empty when it has fewer levels (a drive root counts as
// the top).
std::u16string ParentFolder(std::u16string_view folder, int levels);

// The driver search folder from the "DevicePath" value: its first ";"-separated entry with
// "%SystemRoot%" (any case) replaced by the Windows folder; the Windows folder's "INF" when the value
// is missing or that entry is empty.
std::u16string DeviceFolder(std::u16string_view device_path, std::u16string_view windows_dir);

// The boot drive letter from the "BootDir" value, upper-cased; 'C' when the value does not begin
// with a drive letter.
char16_t BootDriveLetter(std::u16string_view boot_dir);

}  // namespace mv
