// Special folders as the 32-bit runtime finds them in the 64-bit Wine prefix.
#include "lib/special_folders_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"

namespace mv {
namespace {

std::string Narrow(const std::u16string& s) { return Utf16ToUtf8(s); }

std::u16string Env(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
  return n < MAX_PATH ? std::u16string(reinterpret_cast<const char16_t*>(value), n) : std::u16string();
}

bool EndsWith(const std::u16string& s, std::u16string_view tail) {
  return s.size() >= tail.size() && EqualsIgnoreAsciiCase(std::u16string_view(s).substr(s.size() - tail.size()), tail);
}

void ExpectUsableFolder(const std::u16string& folder, const char* what) {
  EXPECT_FALSE(folder.empty()) << what;
  EXPECT_TRUE(folder.size() == 3 || !EndsWith(folder, u"\\")) << what << ": " << Narrow(folder);
  EXPECT_EQ(folder.find(u'%'), std::u16string::npos) << what << ": " << Narrow(folder);
}

TEST(SpecialFolders, EveryFolderResolves) {
  using F = SpecialFolder;
  for (F f : {F::kCommonAppData, F::kAppData, F::kCommonDesktop, F::kDesktop, F::kCommonDocuments, F::kDocuments,
              F::kCommonFavorites, F::kFavorites, F::kFonts, F::kCommonStartMenu, F::kStartMenu, F::kCommonPrograms,
              F::kPrograms, F::kCommonStartup, F::kStartup, F::kProfile}) {
    ExpectUsableFolder(GetSpecialFolder(f), ("special folder " + std::to_string(static_cast<int>(f))).c_str());
  }
  const std::pair<std::u16string, const char*> further[] = {
      {ProgramFilesFolder(false), "program files 32"}, {ProgramFilesFolder(true), "program files 64"},
      {CommonFilesFolder(false), "common files 32"},   {CommonFilesFolder(true), "common files 64"},
      {WindowsFolder(), "windows"},                    {WindowsSystemFolder(), "system"},
      {TempFolder(), "temp"},                          {DriverSearchFolder(), "driver search path"},
      {MediaFolder(), "media"},                        {WebRootFolder(), "web root"},
  };
  for (const auto& [folder, what] : further) ExpectUsableFolder(folder, what);
}

TEST(SpecialFolders, StartMenuFoldersNest) {
  using F = SpecialFolder;
  EXPECT_TRUE(EqualsIgnoreAsciiCase(GetSpecialFolder(F::kStartup), GetSpecialFolder(F::kPrograms) + u"\\Startup"));
  EXPECT_TRUE(EndsWith(GetSpecialFolder(F::kPrograms), u"\\Programs"));
  EXPECT_EQ(GetSpecialFolder(F::kPrograms).rfind(GetSpecialFolder(F::kStartMenu), 0), 0u);
  EXPECT_EQ(GetSpecialFolder(F::kCommonPrograms).rfind(GetSpecialFolder(F::kCommonStartMenu), 0), 0u);
}

TEST(SpecialFolders, BothProgramFilesViews) {
  // A 32-bit process on 64-bit Windows: the (x86) folders for 32-bit programs, the native ones
  // for 64-bit programs.
  const std::u16string programs32 = ProgramFilesFolder(false), programs64 = ProgramFilesFolder(true);
  EXPECT_NE(programs32, programs64);
  EXPECT_TRUE(EqualsIgnoreAsciiCase(programs32, Env(L"ProgramFiles(x86)"))) << Narrow(programs32);
  EXPECT_TRUE(EqualsIgnoreAsciiCase(programs64, Env(L"ProgramW6432"))) << Narrow(programs64);
  EXPECT_TRUE(EndsWith(programs32, u"\\Program Files (x86)"));
  EXPECT_TRUE(EndsWith(programs64, u"\\Program Files"));

  EXPECT_TRUE(EqualsIgnoreAsciiCase(CommonFilesFolder(false), programs32 + u"\\Common Files"));
  EXPECT_TRUE(EqualsIgnoreAsciiCase(CommonFilesFolder(true), programs64 + u"\\Common Files"));
}

TEST(SpecialFolders, SystemFolders) {
  wchar_t buffer[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
  const std::u16string system(reinterpret_cast<const char16_t*>(buffer), n);
  EXPECT_TRUE(EqualsIgnoreAsciiCase(WindowsSystemFolder(), system)) << Narrow(WindowsSystemFolder());
  // The prefix has neither "DevicePath" nor "MediaPath" nor a web server: the fallbacks serve.
  EXPECT_TRUE(EqualsIgnoreAsciiCase(DriverSearchFolder(), WindowsFolder() + u"\\INF"));
  EXPECT_TRUE(EqualsIgnoreAsciiCase(MediaFolder(), WindowsFolder() + u"\\Media"));
  EXPECT_EQ(WebRootFolder(), u"c:\\Inetpub\\wwwroot");
  EXPECT_EQ(BootDrive(), u'C');
}

}  // namespace
}  // namespace mv
