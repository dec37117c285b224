#include "engine/shortcuts_win.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/path.h"
#include "context/progress.h"
#include "engine/completion_rules.h"
#include "engine/extraction_rules.h"
#include "engine/extraction_win.h"
#include "engine/shortcut_rules.h"
#include "lib/atomic_file_win.h"
#include "lib/crash_guard_win.h"
#include "lib/folder_win.h"
#include "lib/handle_win.h"
#include "lib/os_info_win.h"
#include "lib/shell_link_win.h"
#include "lib/special_folders_win.h"
#include "lib/temp_file_win.h"
#include "lib/wide_win.h"
#include "records/install_log.h"
#include "records/install_log_win.h"
#include "records/uninstall_data_win.h"
#include "vars/expand_win.h"

namespace mv {

namespace {

std::u16string Hex4(std::uint16_t n) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out;
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(n >> shift) & 0xF];
  return out;
}

bool LogEachFile(const InstallContext& c) { return (c.settings.ProductFlags & kFlagLogEachFile) != 0; }

void LogLinkFailure(const std::u16string& link_file, DWORD error) {
  LogFormat(u"%s %s\r\n", {LanguageText(31), link_file});
  if (error != 0) LogFormat(u"Code %d: %s\r\n\r\n", {static_cast<int>(error), SystemErrorText(error)});
}

// The fields of one link.
struct LinkRequest {
  std::u16string file;  // with ".lnk"
  std::u16string target;
  std::u16string arguments;
  std::u16string working_folder;
  std::u16string icon;
  unsigned flags = 0;
};

// Makes one link, showing its path while it is made. A failure, or a crash inside the shell, is
// logged; the result says whether the link was made.
bool MakeLink(const LinkRequest& r) {
  const InstallContext& c = Context();
  if (!(c.settings.ProductFlags & kFlagHideFileNames)) SetStatusPath(r.file);
  bool made = false;
  DWORD error = 0;
  const bool completed = RunGuarded([&] {
    made = CreateLink(r.file, r.target, r.arguments, r.working_folder, r.icon, r.flags);
    if (!made) error = GetLastError();
  });
  if (!completed) LogText(u"Crash while creating shortcut.\r\n");
  if (!made) LogLinkFailure(r.file, error);
  return made;
}

// An entry's texts ready for its links.
struct PreparedEntry {
  std::u16string name;
  LinkRequest link;
};

PreparedEntry Prepare(const ShortcutEntry& e, const InstallContext& c) {
  PreparedEntry p;
  LinkRequest& l = p.link;
  l.target = e.from_settings ? ExpandedVariables(e.target) : e.target;
  l.arguments = ExpandedVariables(e.arguments);
  if (auto split = SplitTildeArguments(l.arguments)) {
    l.target = std::move(split->program);
    l.arguments = std::move(split->arguments);
  }
  if (l.target.find(u':') == std::u16string::npos) l.target = ResolveAgainst(InstallDir(c), l.target);

  l.icon = e.from_settings ? ExpandedVariables(e.icon) : e.icon;
  if (!l.icon.empty() && l.icon.find(u':') == std::u16string::npos) l.icon = ResolveAgainst(UninstallDataFolder(), l.icon);

  l.working_folder = TrimBlanks(ExpandedVariables(e.working_folder));
  if (!l.working_folder.empty() && !FolderExists(l.working_folder)) {
    LogText(u"Shortcut \"Start In\" folder \"" + l.working_folder + u"\" doesn't exist.\r\n");
    l.working_folder.clear();
  }
  if (l.working_folder.empty()) l.working_folder = InstallDir(c);

  p.name = TrimBlanks(e.name);
  if (p.name.empty()) {
    const std::u16string text = LanguageText(38);
    p.name = text.empty() ? FileNameOf(l.target) : FormatText(text, {FileNameOf(l.target)});
  }
  p.name = SanitizeShortcutName(p.name);
  l.flags = ShortcutFlags(e.show_state, c.settings.ShortcutMode == 1);
  return p;
}

// Gives `folder` the icon `icon`: Desktop.ini names it, the folder becomes a system folder and
// Desktop.ini is hidden.
void SetFolderIcon(const std::u16string& folder, const std::u16string& icon) {
  const std::u16string ini = JoinPath(folder, u"Desktop.ini");
  const bool ascii = std::all_of(icon.begin(), icon.end(), [](char16_t ch) { return ch < 0x80; });
  if (!ascii) {
    // A file that begins with the UTF-16 byte-order mark is written in UTF-16 by the profile calls,
    // so the path keeps every character. An existing file keeps its own form.
    UniqueHandle file(CreateFileW(W(ini), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      static constexpr unsigned char kBom[] = {0xFF, 0xFE};
      DWORD written = 0;
      WriteFile(file.get(), kBom, sizeof(kBom), &written, nullptr);
    }
  }
  WritePrivateProfileStringW(L".ShellClassInfo", L"IconIndex", L"0", W(ini));
  WritePrivateProfileStringW(L".ShellClassInfo", L"IconFile", W(icon), W(ini));
  AddUninstallEntry(icon, UninstallEntryKind::kFile);
  PathMakeSystemFolderW(W(folder));
  SetFileAttributesW(W(ini), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

// The desktop folder, made (with its records and icon) before its first link.
void PrepareDesktopFolder(const std::u16string& folder, const InstallContext& c) {
  if (!CreateFolderChain(folder)) {
    const DWORD error = GetLastError();
    LogFormat(u"Failed to create folder %s: %s\r\n\r\n", {folder, SystemErrorText(error)});
  }
  AddUninstallEntry(JoinPath(folder, u"Desktop.ini"), UninstallEntryKind::kFile);
  AddUninstallEntry(folder, UninstallEntryKind::kFolder);
  const Bytes& icon_data = c.settings.DesktopFolderIcon;
  if (icon_data.empty()) return;
  const std::u16string icon = JoinPath(UninstallDataFolder(), u"Desktop Icon.ico");
  if (WriteFileAtomically(icon, std::string_view(reinterpret_cast<const char*>(icon_data.data()), icon_data.size())) != 0) {
    LogText(u"Failed to create Desktop shortcut folder icon \"" + icon + u"\"\r\n");
    return;
  }
  SetFolderIcon(folder, icon);
}

class ShortcutMaker {
 public:
  explicit ShortcutMaker(const InstallContext& c) : c_(c) {
    const bool all_users = c.settings.ShortcutMode == 1;
    folders_.desktop = GetSpecialFolder(all_users ? SpecialFolder::kCommonDesktop : SpecialFolder::kDesktop);
    if (!c.settings.DesktopFolder.empty()) folders_.desktop_folder = JoinPath(folders_.desktop, c.settings.DesktopFolder);
    const std::u16string programs = GetSpecialFolder(all_users ? SpecialFolder::kCommonPrograms : SpecialFolder::kPrograms);
    folders_.start_menu =
        JoinPath(programs, c.start_menu_folder.empty() ? c.settings.ProductStartMenu : c.start_menu_folder);
    folders_.startup = GetSpecialFolder(all_users ? SpecialFolder::kCommonStartup : SpecialFolder::kStartup);
  }

  void Make(const ShortcutEntry& e) {
    PreparedEntry p = Prepare(e, c_);
    if (e.desktop) {
      if (folders_.desktop_folder.empty()) {
        Place(ShortcutPlace::kDesktop, e, p);
      } else {
        if (!desktop_folder_ready_) PrepareDesktopFolder(folders_.desktop_folder, c_);
        desktop_folder_ready_ = true;
        Place(ShortcutPlace::kDesktopFolder, e, p);
      }
    }
    if (e.start_menu) Place(ShortcutPlace::kStartMenu, e, p);
    if (e.startup) Place(ShortcutPlace::kStartup, e, p);
    if (!e.folder.empty()) Place(ShortcutPlace::kFolder, e, p);
  }

 private:
  void Place(ShortcutPlace place, const ShortcutEntry& e, PreparedEntry& p) {
    const std::u16string folder = place == ShortcutPlace::kFolder ? ExpandedVariables(e.folder) : std::u16string();
    p.link.file = LinkFilePath(ShortcutLinkPath(place, folders_, folder, p.name));
    if (!MakeLink(p.link)) return;
    if (LogEachFile(c_)) LogFormat(ShortcutLogFormat(place), {p.name, p.link.file});
    if (e.keep) return;
    for (const UninstallItem& item : ShortcutUninstallItems(place, p.link.file, p.name))
      AddUninstallEntry(item.path, item.kind);
  }

  const InstallContext& c_;
  ShortcutFolders folders_;
  bool desktop_folder_ready_ = false;
};

std::vector<ShortcutEntry> EntriesToMake(const InstallContext& c) {
  const Settings& s = c.settings;
  ShortcutSources sources;
  sources.stored = c.lists.ShortcutList;
  sources.from_files = RunInstallLists().shortcuts;
  sources.product_flags = s.ProductFlags;
  sources.product_flags2 = c.header.product_flags2;
  sources.uninstall_support = (s.ProductFlags & kFlagUninstaller) != 0;
  sources.uninstaller_path = UninstallerPathOf(c);
  sources.uninstall_key_name = s.UninstallKeyName;
  sources.uninstaller_name = LanguageText(33);
  if (!s.UninstallerIcon.empty()) sources.uninstaller_icon = JoinPath(UninstallDataFolder(), u"uninstall.ico");
  sources.uninstall_data_folder = UninstallDataFolder();
  sources.install_dir = InstallDir(c);
  sources.log_path = InstallLogPath();
  sources.log_name = LanguageText(86);
  return BuildShortcutList(sources);
}

// The removable drive's root shortcut.
void MakeRootShortcut(const InstallContext& c) {
  const bool completed = RunGuarded([&] {
    const ProgramAndArguments command = SplitCommandLine(ExpandedVariables(c.lists.RootShortcutCommand));
    std::u16string name = TrimBlanks(ExpandedVariables(c.lists.RootShortcutName));
    if (name.empty()) name = FileNameOf(command.program);
    name = SanitizeShortcutName(name);
    const std::u16string& dir = InstallDir(c);
    LinkRequest link;
    link.file = LinkFilePath(DriveOf(dir) + u"\\" + name);
    link.target = command.program;
    link.arguments = command.arguments;
    link.working_folder = dir;
    if (!MakeLink(link)) return;
    if (LogEachFile(c)) LogFormat(u"Root Shortcut(%s) >>> %s\r\n", {name, link.file});
    AddUninstallEntry(link.file, UninstallEntryKind::kFile);
  });
  if (!completed) LogText(u"Crash while installing root shortcut.\r\n");
}

// A new folder of its own in the user's temporary folder, for the pin's temporary link: the shell
// takes the pin's name from the link's, so the link cannot have a made-up name of its own.
std::u16string NewTempFolder() {
  const std::u16string temp = UserTempFolder();
  if (temp.empty()) return {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::u16string folder = temp + u"VQT" + Hex4(ProcessTempNameGenerator().NextDigits()) + u".PIN";
    if (CreateDirectoryW(W(folder), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

bool PinSupported() {
  const OsInfo& os = GetOsInfo();
  if (os.platform != kPlatformNt) return false;
  const bool seven_or_later = os.major > 6 || (os.major == 6 && os.minor >= 1);
  return seven_or_later && os.major < 10;
}

void PinToTaskbar(const InstallContext& c) {
  const bool completed = RunGuarded([&] {
    const ProgramAndArguments target = SplitPinTarget(ExpandedVariables(c.lists.PinTarget));
    std::u16string pin_name = TrimBlanks(ExpandedVariables(c.lists.PinName));
    if (pin_name.empty()) pin_name = c.settings.DisplayName;
    pin_name = SanitizeShortcutName(pin_name);
    SetStatusPath(u"Pin to taskbar");

    const std::u16string folder = NewTempFolder();
    LinkRequest link;
    link.file = LinkFilePath(JoinPath(folder.empty() ? UserTempFolder() : folder, pin_name));
    link.target = target.program;
    link.arguments = target.arguments;
    link.flags = kLinkNoParentFolder;
    if (!folder.empty() && MakeLink(link)) {
      const bool pinned = InvokeShellVerb(link.file, u"taskbarpin");
      const DWORD error = GetLastError();
      LogFormat(u"Pin to taskbar(%s): %s\r\n", {target.program, std::u16string(pinned ? u"OK" : u"FAIL")});
      if (!pinned) LogText(SystemErrorText(error) + u"\r\n");
      DeleteFileW(W(link.file));
      AddUninstallEntry(PinnedLinkPath(GetSpecialFolder(SpecialFolder::kAppData), pin_name), UninstallEntryKind::kFile);
    } else if (folder.empty()) {
      LogLinkFailure(link.file, GetLastError());
    }
    if (!folder.empty()) RemoveDirectoryW(W(folder));
  });
  if (!completed) LogText(u"Crash while pinning to taskbar.\r\n");
}

}  // namespace

std::u16string UninstallerPathOf(const InstallContext& c) {
  if (!c.uninstaller_path.empty() || c.settings.UninstallerFileName.empty()) return c.uninstaller_path;
  return JoinPath(UninstallDataFolder(), c.settings.UninstallerFileName);
}

void CreateShortcuts() {
  const InstallContext& c = Context();
  const bool removable = RemovableTarget(c);
  ShortcutMaker maker(c);
  for (const ShortcutEntry& e : EntriesToMake(c))
    if (ShortcutSelected(e, c.header.product_flags2, removable)) maker.Make(e);
  if (!c.lists.RootShortcutCommand.empty() && removable) MakeRootShortcut(c);
  if (!c.lists.PinTarget.empty() && !removable && PinSupported()) PinToTaskbar(c);
  SetStatusText(78);
  SetProgress(97);
}

}  // namespace mv
