#include "vars/expand_win.h"

#include <windows.h>

#include <exception>
#include <vector>

#include "lib/wide_win.h"
#include "base/codepage.h"
#include "base/date.h"
#include "base/path.h"
#include "lib/drive_win.h"
#include "lib/folder_rules.h"
#include "lib/os_info_win.h"
#include "lib/special_folders_win.h"

namespace mv {

namespace {

std::u16string LanguageName(const InstallContext& c) {
  const auto& languages = c.lists.Languages;
  return c.language >= 0 && static_cast<std::size_t>(c.language) < languages.size() ? languages[c.language].name
                                                                                   : std::u16string();
}

std::u16string OsName(int flags) { return Cp1252ToUtf16(OsText(GetOsInfo(), flags)); }

std::u16string LocaleText(LCTYPE type) {
  wchar_t buffer[128] = {};
  const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, static_cast<int>(std::size(buffer)));
  return n > 1 ? std::u16string(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(n - 1))
               : std::u16string();
}

DateNames UserDateNames() {
  DateNames names;
  for (int i = 0; i < 12; ++i) {
    names.months[i] = LocaleText(LOCALE_SMONTHNAME1 + i);
    names.abbreviated_months[i] = LocaleText(LOCALE_SABBREVMONTHNAME1 + i);
  }
  for (int i = 0; i < 7; ++i) {
    names.days[i] = LocaleText(LOCALE_SDAYNAME1 + i);
    names.abbreviated_days[i] = LocaleText(LOCALE_SABBREVDAYNAME1 + i);
  }
  return names;
}

}  // namespace

std::u16string VariableValue(Variable variable, const InstallContext& c) {
  using V = Variable;
  const Settings& s = c.settings;
  const bool product64 = s.Bitness == 1;
  const std::u16string installer = U(c.exe_path);
  switch (variable) {
    case V::kAppDataAllDir: return GetSpecialFolder(SpecialFolder::kCommonAppData);
    case V::kAppDataDir: return GetSpecialFolder(SpecialFolder::kAppData);
    case V::kAutomatic: return Flag(c.options.AutomaticMode);
    case V::kBits: return Is64Bit(GetOsInfo()) ? u"64" : u"32";
    case V::kBootDrive: return std::u16string(1, BootDrive()) + u":";
    case V::kCommonDir: return CommonFilesFolder(product64);
    case V::kCommonDir32: return CommonFilesFolder(false);
    case V::kCommonDir64: return CommonFilesFolder(true);
    case V::kDesktopAllDir: return GetSpecialFolder(SpecialFolder::kCommonDesktop);
    case V::kDesktopDir: return GetSpecialFolder(SpecialFolder::kDesktop);
    case V::kDesktopShortcuts:
      return JoinPath(GetSpecialFolder(s.ShortcutMode == 1 ? SpecialFolder::kCommonDesktop : SpecialFolder::kDesktop),
                      s.DesktopFolder);
    case V::kDeviceDir: return DriverSearchFolder();
    case V::kDocumentAllDir: return GetSpecialFolder(SpecialFolder::kCommonDocuments);
    case V::kDocumentDir: return GetSpecialFolder(SpecialFolder::kDocuments);
    case V::kExisting: return Decimal(c.installation_kind);
    case V::kFavoritesAllDir: return GetSpecialFolder(SpecialFolder::kCommonFavorites);
    case V::kFavoritesDir: return GetSpecialFolder(SpecialFolder::kFavorites);
    case V::kFontDir: return GetSpecialFolder(SpecialFolder::kFonts);
    case V::kInetpub: return WebRootFolder();
    case V::kInstallDir: return InstallDir(c);
    case V::kInstallDrive: return DriveOf(InstallDir(c));
    case V::kInstallerDir: return FolderOf(installer);
    case V::kInstallerDrive: return DriveOf(installer);
    case V::kInstallerFilename: return FileNameOf(installer);
    case V::kInstallerFilepath: return installer.substr(0, 1024);
    case V::kUninstallerFilepath: return c.uninstaller_path;
    case V::kLanguage: return LanguageName(c);
    case V::kLogFilepath: return LogFilePath(InstallDir(c), s.UninstallSubdir);
    case V::kMediaDir: return MediaFolder();
    case V::kNetworkInstall: return Flag(IsNetworkLocation(installer, DriveTypeOf(installer)));
    case V::kOldVersion: return c.existing.version;
    case V::kOldVersionMajor: return VersionPart(c.existing.version, 0);
    case V::kOldVersionMinor: return VersionPart(c.existing.version, 1);
    case V::kPortable: return Flag(RemovableTarget(c));
    case V::kProductName: return s.DisplayName;
    case V::kCompanyName: return s.Publisher;
    case V::kProgramsDir: return ProgramFilesFolder(product64);
    case V::kProgramsDir32: return ProgramFilesFolder(false);
    case V::kProgramsDir64: return ProgramFilesFolder(true);
    case V::kSharedDir: return c.shared_dir;
    case V::kSMProgramsAllDir: return GetSpecialFolder(SpecialFolder::kCommonPrograms);
    case V::kSMProgramsDir: return GetSpecialFolder(SpecialFolder::kPrograms);
    case V::kStartMenuAllDir: return GetSpecialFolder(SpecialFolder::kCommonStartMenu);
    case V::kStartMenuChosen: return c.start_menu_folder;
    case V::kStartMenuDir: return GetSpecialFolder(SpecialFolder::kStartMenu);
    case V::kStartupAllDir: return GetSpecialFolder(SpecialFolder::kCommonStartup);
    case V::kStartupDir: return GetSpecialFolder(SpecialFolder::kStartup);
    case V::kSystemDir: return WindowsSystemFolder();
    case V::kTemp: return TempFolder();
    case V::kUninstallDir: return JoinPath(InstallDir(c), s.UninstallSubdir);
    case V::kWinDir: return WindowsFolder();
    case V::kVersion: return Cp1252ToUtf16(s.DisplayVersion);
    case V::kVersionMajor: return Decimal(VersionMajor(s.DisplayVersion));
    case V::kVersionMinor: return Decimal(VersionMinor(s.DisplayVersion));
    case V::kOS: return Decimal(OsNumber(GetOsInfo()));
    case V::kOSMajor: return Decimal(GetOsInfo().major);
    case V::kOSMinor: return Decimal(GetOsInfo().minor);
    case V::kOSName: return OsName(kOsTextShortName);
    case V::kOSDescription: return OsName(0);
    case V::kOSServer: return Flag(IsServer(GetOsInfo()));
  }
  return {};
}

std::u16string ExpandEnvironment(std::u16string_view text) {
  const std::wstring source(text.begin(), text.end());
  std::vector<wchar_t> buffer(source.size() + 256);
  for (;;) {
    const DWORD n = ExpandEnvironmentStringsW(source.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::u16string(text);
    if (n <= buffer.size()) return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), n - 1);
    buffer.resize(n);
  }
}

void ExpandVariables(std::u16string& text, const InstallContext& c) {
  try {
    ReplaceVariables(text, [&](Variable v) { return VariableValue(v, c); });
    if (text.find(u'%') != std::u16string::npos) text = ExpandEnvironment(text);
  } catch (const std::exception&) {
    // The text keeps what was replaced before the failure.
  }
}

std::u16string BuildDateText(const InstallContext& c) {
  const BuildDateRecord& date = c.settings.BuildDate;
  if (date.month == 0) return {};
  return FormatShortDate(LocaleText(LOCALE_SSHORTDATE), date.year, date.month, date.day, UserDateNames());
}

void ReplacePlaceholders(std::u16string& text, const InstallContext& c) {
  ReplacePlaceholderNames(text, [&](Placeholder p) -> std::u16string {
    switch (p) {
      case Placeholder::kProduct: return c.settings.DisplayName;
      case Placeholder::kDescription: return c.settings.ProductDescription;
      case Placeholder::kOs: return WindowsFolder();
      case Placeholder::kLbDate: return BuildDateText(c);
    }
    return {};
  });
}

}  // namespace mv
