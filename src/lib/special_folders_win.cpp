#include "lib/special_folders_win.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "lib/os_info_win.h"
#include "lib/registry_key_win.h"
#include "base/path.h"
#include "lib/folder_rules.h"

namespace mv {

namespace {

constexpr wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr wchar_t kShellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::u16string Text(const wchar_t* s, std::size_t n) { return std::u16string(reinterpret_cast<const char16_t*>(s), n); }

// A string value, empty when it is missing.
std::u16string RegistryText(HKEY root, const wchar_t* subkey, const wchar_t* value, REGSAM view = 0) {
  const RegistryKey key = RegistryKey::Open(root, subkey, KEY_QUERY_VALUE, view);
  const std::optional<std::wstring> text = key.ReadString(value);
  return text ? Text(text->data(), text->size()) : std::u16string();
}

std::u16string Environment(const wchar_t* name) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD n = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return Text(buffer.data(), n);
    buffer.resize(n);
  }
}

std::u16string ShellFolder(int csidl) {
  wchar_t path[MAX_PATH + 1] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return Text(path, wcsnlen(path, MAX_PATH));
}

std::u16string UserName() {
  wchar_t name[257] = {};
  DWORD size = static_cast<DWORD>(std::size(name));
  return GetUserNameW(name, &size) ? Text(name, wcsnlen(name, std::size(name))) : std::u16string();
}

struct ShellFolderRow {
  int csidl;
  const wchar_t* value;  // under "Shell Folders"; null for none
  bool machine;          // HKEY_LOCAL_MACHINE's "Shell Folders" (common folders), else the user's
  int levels_above_common_startup;  // > 0: then that many levels above "Common Startup"
};

const ShellFolderRow& Row(SpecialFolder folder) {
  static constexpr ShellFolderRow kRows[] = {
      {CSIDL_COMMON_APPDATA, L"Common AppData", true, 0},     {CSIDL_APPDATA, L"AppData", false, 0},
      {CSIDL_COMMON_DESKTOPDIRECTORY, L"Common Desktop", true, 0}, {CSIDL_DESKTOPDIRECTORY, L"Desktop", false, 0},
      {CSIDL_COMMON_DOCUMENTS, L"Common Documents", true, 0}, {CSIDL_PERSONAL, L"Personal", false, 0},
      {CSIDL_COMMON_FAVORITES, L"Common Favorites", true, 0}, {CSIDL_FAVORITES, L"Favorites", false, 0},
      {CSIDL_FONTS, L"Fonts", false, 0},                      {CSIDL_COMMON_STARTMENU, L"Common Start Menu", true, 2},
      {CSIDL_STARTMENU, L"Start Menu", false, 0},             {CSIDL_COMMON_PROGRAMS, L"Common Programs", true, 1},
      {CSIDL_PROGRAMS, L"Programs", false, 0},                {CSIDL_COMMON_STARTUP, L"Common Startup", true, 0},
      {CSIDL_STARTUP, L"Startup", false, 0},                  {CSIDL_PROFILE, nullptr, false, 0},
  };
  static_assert(std::size(kRows) == static_cast<std::size_t>(SpecialFolder::kProfile) + 1);
  return kRows[static_cast<std::size_t>(folder)];
}

// The last source of each folder.
std::u16string Fallback(SpecialFolder folder) {
  using F = SpecialFolder;
  switch (folder) {
    case F::kCommonAppData:
    case F::kAppData: return CommonFilesFolder(false);
    case F::kCommonDesktop: return GetSpecialFolder(F::kDesktop);
    case F::kDesktop: return JoinPath(WindowsFolder(), u"Desktop");
    case F::kCommonDocuments: return GetSpecialFolder(F::kDocuments);
    case F::kDocuments: return u"c:\\My Documents";
    case F::kCommonFavorites: return GetSpecialFolder(F::kFavorites);
    case F::kFavorites: return JoinPath(WindowsFolder(), u"Favorites");
    case F::kFonts: return JoinPath(WindowsFolder(), u"Fonts");
    case F::kCommonStartMenu: return GetSpecialFolder(F::kStartMenu);
    case F::kStartMenu: return JoinPath(WindowsFolder(), u"Start Menu");
    case F::kCommonPrograms: return GetSpecialFolder(F::kPrograms);
    case F::kPrograms: return JoinPath(GetSpecialFolder(F::kStartMenu), u"Programs");
    case F::kCommonStartup: return GetSpecialFolder(F::kStartup);
    case F::kStartup: return JoinPath(GetSpecialFolder(F::kPrograms), u"StartUp");
    case F::kProfile: return JoinPath(JoinPath(WindowsFolder(), u"Profiles"), UserName());
  }
  return {};
}

// The 32-bit Program Files or Common Files folder: the shell, the registry's 32-bit view, the
// environment ("(x86)" name first, which only 64-bit Windows sets), then `last`.
std::u16string Folder32(int csidl, const wchar_t* registry_value, const wchar_t* x86_variable, const wchar_t* variable,
                        const FolderSource& last) {
  return FirstFolder({[&] { return ShellFolder(csidl); },
                      [&] { return RegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, registry_value, KEY_WOW64_32KEY); },
                      [&] { return Environment(x86_variable); }, [&] { return Environment(variable); }, last});
}

// The native folder: the environment variable only 64-bit Windows sets, the registry's 64-bit view
// (the only view on 32-bit Windows), then `last`.
std::u16string Folder64(const wchar_t* variable, const wchar_t* registry_value, const FolderSource& last) {
  return FirstFolder({[&] { return Environment(variable); },
                      [&] { return RegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, registry_value, KEY_WOW64_64KEY); },
                      last});
}

}  // namespace

std::u16string GetSpecialFolder(SpecialFolder folder) {
  const ShellFolderRow& row = Row(folder);
  const HKEY root = row.machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  return FirstFolder({
      [&] { return ShellFolder(row.csidl); },
      [&] { return row.value ? RegistryText(root, kShellFoldersKey, row.value) : std::u16string(); },
      [&] {
        if (row.levels_above_common_startup == 0) return std::u16string();
        const std::u16string startup = RegistryText(HKEY_LOCAL_MACHINE, kShellFoldersKey, L"Common Startup");
        return ParentFolder(startup, row.levels_above_common_startup);
      },
      [&] { return Fallback(folder); },
  });
}

std::u16string ProgramFilesFolder(bool native64) {
  if (native64) return Folder64(L"ProgramW6432", L"ProgramFilesDir", [] { return ProgramFilesFolder(false); });
  return Folder32(CSIDL_PROGRAM_FILES, L"ProgramFilesDir", L"ProgramFiles(x86)", L"ProgramFiles",
                  [] { return std::u16string(u"c:\\Program Files"); });
}

std::u16string CommonFilesFolder(bool native64) {
  if (native64) {
    return Folder64(L"CommonProgramW6432", L"CommonFilesDir",
                    [] { return JoinPath(ProgramFilesFolder(true), u"Common Files"); });
  }
  return Folder32(CSIDL_PROGRAM_FILES_COMMON, L"CommonFilesDir", L"CommonProgramFiles(x86)", L"CommonProgramFiles",
                  [] { return JoinPath(ProgramFilesFolder(false), u"Common Files"); });
}

std::u16string WindowsFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  return n > 0 && n <= MAX_PATH ? StripTrailingBackslash(Text(buffer, n)) : std::u16string();
}

std::u16string WindowsSystemFolder() {
  return JoinPath(WindowsFolder(), GetOsInfo().platform == kPlatformNt ? u"System32" : u"System");
}

std::u16string TempFolder() {
  wchar_t buffer[MAX_PATH + 2] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 2, buffer);
  return n > 0 && n <= MAX_PATH + 1 ? StripTrailingBackslash(Text(buffer, n)) : std::u16string();
}

std::u16string DriverSearchFolder() {
  return DeviceFolder(RegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"DevicePath"), WindowsFolder());
}

std::u16string MediaFolder() {
  return FirstFolder({[] { return RegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"MediaPath"); },
                      [] { return JoinPath(WindowsFolder(), u"Media"); }});
}

std::u16string WebRootFolder() {
  // The web server registers itself in the native view; older and 32-bit systems have only one.
  constexpr wchar_t kKey[] = L"SOFTWARE\\Microsoft\\INetStp";
  return FirstFolder({[&] { return RegistryText(HKEY_LOCAL_MACHINE, kKey, L"PathWWWRoot", KEY_WOW64_64KEY); },
                      [&] { return RegistryText(HKEY_LOCAL_MACHINE, kKey, L"PathWWWRoot"); },
                      [] { return std::u16string(u"c:\\Inetpub\\wwwroot"); }});
}

char16_t BootDrive() {
  return BootDriveLetter(RegistryText(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Setup", L"BootDir"));
}

}  // namespace mv
