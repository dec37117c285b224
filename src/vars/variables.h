// The installation variables ("%InstallDir%" and the rest of the table) and the placeholders
// ("<product>" ...): the table in its order of application, and the pure
// rules that turn facts into values. The Windows layer (vars/expand_win) gathers the facts afresh at
// every call and hands them in through a value function.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/text.h"

namespace mv {

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

// "%LogFilepath%": the installation folder, the uninstall sub-folder when there is one, "Install.log".
std::u16string LogFilePath(std::u16string_view install_dir, std::u16string_view uninstall_subdir);

inline std::u16string Flag(bool on) { return on ? u"1" : u"0"; }

}  // namespace mv
