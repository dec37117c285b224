// The variable table expanded in a real InstallContext, each value checked against what the system
// itself reports in the 64-bit Wine prefix.
#include "vars/expand_win.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/codepage.h"
#include "base/text.h"
#include "lib/os_info_win.h"

namespace mv {
namespace {

std::string Narrow(std::u16string_view s) { return Utf16ToUtf8(s); }
std::u16string U16(const wchar_t* s, std::size_t n) { return std::u16string(reinterpret_cast<const char16_t*>(s), n); }

bool EndsWith(std::u16string_view s, std::u16string_view tail) {
  return s.size() >= tail.size() && EqualsIgnoreAsciiCase(s.substr(s.size() - tail.size()), tail);
}

std::u16string Shell(int csidl) {
  wchar_t path[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? U16(path, wcslen(path))
                                                                                      : u"<shell failed>";
}

std::u16string Env(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
  return n < MAX_PATH ? U16(value, n) : u"<too long>";
}

template <typename Get>
std::u16string Folder(Get get) {
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD n = get(buffer, MAX_PATH + 1);
  if (n > 3 && buffer[n - 1] == L'\\') --n;
  return U16(buffer, n);
}

std::u16string Windows() { return Folder([](wchar_t* b, DWORD n) { return GetWindowsDirectoryW(b, n); }); }

class ExpandTest : public ::testing::Test {
 protected:
  ExpandTest() {
    c.options.AutomaticMode = true;
    c.exe_path = L"C:\\Downloads\\acme-setup.exe";
    c.settings.DisplayName = u"Acme Tools";
    c.settings.Publisher = u"Acme";
    c.settings.ProductDescription = u"Tools for everything";
    c.settings.DisplayVersion = " -3.14";
    c.settings.Bitness = 1;
    c.settings.ShortcutMode = 1;
    c.settings.DesktopFolder = u"Acme";
    c.settings.UninstallSubdir = u"uninstall";
    c.lists.Languages = {{u"Deutsch", {}}, {u"English", {}}};
    c.language = 1;
    c.default_install_dir = u"C:\\Program Files\\Acme";
    c.existing.version = u"2";
    c.installation_kind = 2;
    c.start_menu_folder = u"Acme Tools";
    c.shared_dir = u"C:\\Program Files\\Common Files\\Acme";
    c.uninstaller_path = u"C:\\Program Files\\Acme\\uninstall\\uninstall.exe";
  }

  std::u16string Expand(std::u16string text) {
    ExpandVariables(text, c);
    return text;
  }

  InstallContext c;
};

TEST_F(ExpandTest, EveryVariableGivesWhatTheSystemReports) {
  using V = Variable;
  const OsInfo os = GatherOsInfo();
  const std::u16string common_desktop = Shell(CSIDL_COMMON_DESKTOPDIRECTORY);
  const std::map<Variable, std::u16string> expected = {
      {V::kAppDataAllDir, Shell(CSIDL_COMMON_APPDATA)},
      {V::kAppDataDir, Shell(CSIDL_APPDATA)},
      {V::kAutomatic, u"1"},
      {V::kBits, u"64"},
      {V::kBootDrive, u"C:"},
      {V::kCommonDir, Env(L"CommonProgramW6432")},
      {V::kCommonDir32, Env(L"CommonProgramFiles(x86)")},
      {V::kCommonDir64, Env(L"CommonProgramW6432")},
      {V::kDesktopAllDir, common_desktop},
      {V::kDesktopDir, Shell(CSIDL_DESKTOPDIRECTORY)},
      {V::kDesktopShortcuts, common_desktop + u"\\Acme"},
      {V::kDeviceDir, Windows() + u"\\INF"},
      {V::kDocumentAllDir, Shell(CSIDL_COMMON_DOCUMENTS)},
      {V::kDocumentDir, Shell(CSIDL_PERSONAL)},
      {V::kExisting, u"2"},
      {V::kFavoritesAllDir, Shell(CSIDL_COMMON_FAVORITES)},
      {V::kFavoritesDir, Shell(CSIDL_FAVORITES)},
      {V::kFontDir, Shell(CSIDL_FONTS)},
      {V::kInetpub, u"c:\\Inetpub\\wwwroot"},
      {V::kInstallDir, u"C:\\Program Files\\Acme"},
      {V::kInstallDrive, u"C:"},
      {V::kInstallerDir, u"C:\\Downloads"},
      {V::kInstallerDrive, u"C:"},
      {V::kInstallerFilename, u"acme-setup.exe"},
      {V::kInstallerFilepath, u"C:\\Downloads\\acme-setup.exe"},
      {V::kUninstallerFilepath, u"C:\\Program Files\\Acme\\uninstall\\uninstall.exe"},
      {V::kLanguage, u"English"},
      {V::kLogFilepath, u"C:\\Program Files\\Acme\\uninstall\\Install.log"},
      {V::kMediaDir, Windows() + u"\\Media"},
      {V::kNetworkInstall, u"0"},
      {V::kOldVersion, u"2"},
      {V::kOldVersionMajor, u"2"},
      {V::kOldVersionMinor, u""},
      {V::kPortable, u"0"},
      {V::kProductName, u"Acme Tools"},
      {V::kCompanyName, u"Acme"},
      {V::kProgramsDir, Env(L"ProgramW6432")},
      {V::kProgramsDir32, Env(L"ProgramFiles(x86)")},
      {V::kProgramsDir64, Env(L"ProgramW6432")},
      {V::kSharedDir, u"C:\\Program Files\\Common Files\\Acme"},
      {V::kSMProgramsAllDir, Shell(CSIDL_COMMON_PROGRAMS)},
      {V::kSMProgramsDir, Shell(CSIDL_PROGRAMS)},
      {V::kStartMenuAllDir, Shell(CSIDL_COMMON_STARTMENU)},
      {V::kStartMenuChosen, u"Acme Tools"},
      {V::kStartMenuDir, Shell(CSIDL_STARTMENU)},
      {V::kStartupAllDir, Shell(CSIDL_COMMON_STARTUP)},
      {V::kStartupDir, Shell(CSIDL_STARTUP)},
      {V::kSystemDir, Folder([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); })},
      {V::kTemp, Folder([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); })},
      {V::kUninstallDir, u"C:\\Program Files\\Acme\\uninstall"},
      {V::kWinDir, Windows()},
      {V::kVersion, u" -3.14"},
      {V::kVersionMajor, u"-3"},
      {V::kVersionMinor, u"14"},
      {V::kOS, Decimal(OsNumber(os))},
      {V::kOSMajor, Decimal(os.major)},
      {V::kOSMinor, Decimal(os.minor)},
      {V::kOSName, Cp1252ToUtf16(OsText(os, kOsTextShortName))},
      {V::kOSDescription, Cp1252ToUtf16(OsText(os, 0))},
      {V::kOSServer, u"0"},
  };
  ASSERT_EQ(expected.size(), kVariableCount) << "every variable of the table is checked";
  for (std::size_t i = 0; i < kVariableCount; ++i) {
    const VariableName& row = kVariableTable[i];
    const std::u16string& want = expected.at(static_cast<Variable>(i));
    EXPECT_TRUE(EqualsIgnoreAsciiCase(Expand(std::u16string(row.name)), want))
        << Narrow(row.name) << " gave " << Narrow(Expand(std::u16string(row.name))) << ", want " << Narrow(want);
  }
  EXPECT_TRUE(EndsWith(Expand(u"%ProgramsDir32%"), u"\\Program Files (x86)"));
  EXPECT_TRUE(EqualsIgnoreAsciiCase(Expand(u"%ProgramsDir64%"), u"C:\\Program Files"));
  EXPECT_FALSE(Expand(u"%OSName%").empty());
}

TEST_F(ExpandTest, ValuesFollowTheContextAndTheEnvironment) {
  EXPECT_EQ(Expand(u"%installdir%\\bin"), u"C:\\Program Files\\Acme\\bin");
  c.install_dir = u"D:\\Apps\\Acme";  // chosen in the wizard
  EXPECT_EQ(Expand(u"%INSTALLDIR%\\bin;%InstallDrive%"), u"D:\\Apps\\Acme\\bin;D:");
  c.exe_path = L"\\\\server\\share\\setup.exe";
  EXPECT_EQ(Expand(u"%NetworkInstall%|%InstallerDrive%|%InstallerDir%"), u"1||\\\\server\\share");
  c.settings.Bitness = 0;
  EXPECT_EQ(Expand(u"%ProgramsDir%"), Env(L"ProgramFiles(x86)"));

  // The environment comes last: names the table leaves are the process environment's.
  ASSERT_TRUE(SetEnvironmentVariableW(L"MV_EXPAND_TEST", L"from the environment"));
  ASSERT_TRUE(SetEnvironmentVariableW(L"MV_EXPAND_UNSET", nullptr));
  EXPECT_EQ(Expand(u"%MV_EXPAND_TEST%|%MV_EXPAND_UNSET%|100%"), u"from the environment|%MV_EXPAND_UNSET%|100%");
  EXPECT_EQ(Expand(u"%oldversionmajor%"), u"%oldversionmajor%");
  ASSERT_TRUE(SetEnvironmentVariableW(L"oldversionmajor", L"env"));
  EXPECT_EQ(Expand(u"%oldversionmajor%.%OldVersionMajor%"), u"env.2");
  SetEnvironmentVariableW(L"oldversionmajor", nullptr);
  SetEnvironmentVariableW(L"MV_EXPAND_TEST", nullptr);
  EXPECT_EQ(Expand(u"%UserProfile%").find(u'%'), std::u16string::npos);
}

TEST_F(ExpandTest, Placeholders) {
  c.settings.BuildDate = {2024, 3, 5, {}};
  SYSTEMTIME date{};
  date.wYear = 2024;
  date.wMonth = 3;
  date.wDay = 5;
  wchar_t system_text[64] = {};
  const int n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, system_text, 64);
  ASSERT_GT(n, 1);
  std::u16string text = u"<product>: <description> (<lbdate>) in <os>; <Product>";
  ReplacePlaceholders(text, c);
  EXPECT_EQ(text, u"Acme Tools: Tools for everything (" + U16(system_text, n - 1) + u") in " + Windows() + u"; <Product>");

  c.settings.BuildDate.month = 0;
  text = u"[<lbdate>]";
  ReplacePlaceholders(text, c);
  EXPECT_EQ(text, u"[]");
}

}  // namespace
}  // namespace mv
