// Shortcuts made by real installers: each link is read back through the shell's link object (the
// readlink helper), found in Install.log and listed in Uninstall.dat; the desktop folder gets its
// icon; the taskbar pin, which Wine cannot make, is logged as failed and still recorded.
#include <gtest/gtest.h>

#include <map>
#include <vector>
#include <sstream>
#include <string>

#include "base/text.h"
#include "scenario.h"

namespace mve2e {
namespace {

constexpr std::uint64_t kUninstallSupport = 1ull << 2;
constexpr std::uint64_t kLogEachFile = 1ull << 20;

fs::path Prefix() { return SessionValue("WINEPREFIX"); }

// The texts the shortcuts use: 33 the uninstaller's link, 38 a link without a name, 86 the log's.
mv::Language TestLanguage() {
  mv::Language l{u"English", {}};
  for (int n = 0; n < 100; ++n) l.texts.push_back(u"T" + mv::Utf8ToUtf16(std::to_string(n)));
  l.texts[33] = u"Remove E2E";
  l.texts[38] = u"Shortcut to %s";
  l.texts[86] = u"E2E log";
  return l;
}

// A Windows path of the session as a host path: "C:\" is the prefix's drive_c, "Z:\" the root.
fs::path HostPath(const std::string& windows) {
  std::string rest = windows.substr(3);
  for (char& c : rest)
    if (c == '\\') c = '/';
  if (windows[0] == 'Z' || windows[0] == 'z') return fs::path("/") / rest;
  return Prefix() / "drive_c" / rest;
}

// What readlink prints for a link, by key; empty when the link cannot be read.
std::map<std::string, std::string> ReadLink(const std::string& windows_path) {
  const ToolResult r = RunTool(HelperExe("readlink"), {windows_path});
  std::map<std::string, std::string> out;
  if (r.status != 0) return out;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return out;
}

// The link path a log line of `format` ("Desktop Shortcut(") names for `name`; empty when missing.
std::string LoggedLink(const std::string& log, const std::string& kind, const std::string& name) {
  const std::string head = kind + "(" + name + ") >>> ";
  const std::size_t at = log.find(head);
  if (at == std::string::npos) return {};
  const std::size_t start = at + head.size();
  return log.substr(start, log.find("\r\n", start) - start);
}

bool Listed(const std::string& uninstall_dat, const std::string& line) {
  return uninstall_dat.find("\r\n" + line + "\r\n") != std::string::npos ||
         uninstall_dat.rfind(line + "\r\n", 0) == 0;
}

mv::ShortcutEntry Entry(const char16_t* name, const char16_t* target) {
  mv::ShortcutEntry e;
  e.name = name;
  e.target = target;
  return e;
}

struct Expected {
  const char* kind;       // the log line's kind
  const char* name;       // as logged (after the name is made safe)
  const char* file_tail;  // the link file's path ends so
  std::string target, arguments, workdir, icon, show;
  bool recorded;
  const char* folder_tail = nullptr;  // a folder entry that ends so, when one is expected
};

TEST(Shortcuts, CurrentUserLinksAreMadeLoggedAndRecorded) {
  ASSERT_FALSE(Prefix().empty()) << "no Wine session";
  const fs::path dir = ScratchDir("shortcuts-user");
  const fs::path product = dir / "product";
  const std::string install = WindowsPathUtf8(product);
  mvpack::Project p = SmallProject(dir);
  p.settings.DefaultInstallDir = WindowsPath(product);
  p.settings.UninstallSubdir = u"uninst";
  p.settings.UninstallerFileName = u"remove.exe";
  p.settings.UninstallKeyName = u"E2E Shortcuts User";
  p.settings.ProductStartMenu = u"E2E Shortcuts User";
  p.settings.ProductFlags |= kUninstallSupport | kLogEachFile | (1ull << 1) | (1ull << 59);
  p.lists.Languages = {TestLanguage()};

  mv::ShortcutEntry desktop = Entry(u"E2E Readme: notes?", u"%InstallDir%\\readme.txt");
  desktop.desktop = 1;
  desktop.show_state = 1;
  desktop.icon = u"app.ico";
  desktop.arguments = u"-a %InstallDir%";
  mv::ShortcutEntry tilde = Entry(u"Tools\\Tilde", u"data.bin");
  tilde.start_menu = 1;
  tilde.show_state = 2;
  tilde.arguments = u"~\"C:\\p\\app.exe\" -x";
  mv::ShortcutEntry startup = Entry(u"E2E Auto", u"data.bin");
  startup.startup = 1;
  startup.working_folder = u"%InstallDir%\\missing";
  mv::ShortcutEntry explicit_folder = Entry(u"", u"data.bin");
  explicit_folder.folder = u"%InstallDir%\\links";
  explicit_folder.working_folder = u"C:";
  mv::ShortcutEntry kept = Entry(u"E2E Kept", u"data.bin");
  kept.desktop = 1;
  kept.keep = 1;
  p.lists.ShortcutList = {desktop, tilde, startup, explicit_folder, kept};
  p.files[0].record.flags |= 1;  // readme.txt asks for a desktop shortcut
  p.files[0].record.version = "E2E File Link";

  const Built built = Build(p, dir / "shortcuts.exe");
  const ExitCode r = RunWindows(built.path, "/silent", 90, dir);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  const std::string log = Text(product / "uninst" / "Install.log");
  const std::string dat = Text(product / "uninst" / "Uninstall.dat");
  EXPECT_NE(log.find("Shortcut \"Start In\" folder \"" + install + "\\missing\" doesn't exist.\r\n"), std::string::npos)
      << log;

  const std::string readme = install + "\\readme.txt";
  const std::string data = install + "\\data.bin";
  const std::string remover = install + "\\uninst\\remove.exe";
  const Expected expected[] = {
      {"Desktop Shortcut", "E2E Readme_ notes_", "\\Desktop\\E2E Readme_ notes_.lnk", readme, "-a " + install, install,
       install + "\\uninst\\app.ico", "7", true},
      {"Start Menu Shortcut", "Tools\\Tilde", "\\E2E Shortcuts User\\Tools\\Tilde.lnk", "C:\\p\\app.exe", "-x", install,
       "C:\\p\\app.exe", "3", true, "\\E2E Shortcuts User\\Tools"},
      {"Startup Shortcut", "E2E Auto", "\\StartUp\\E2E Auto.lnk", data, "", install, data, "1", true},
      {"Shortcut", "Shortcut to data.bin", "\\links\\Shortcut to data.bin.lnk", data, "", "C:\\", data, "1", true,
       "\\links"},
      {"Desktop Shortcut", "E2E Kept", "\\Desktop\\E2E Kept.lnk", data, "", install, data, "1", false},
      {"Desktop Shortcut", "E2E File Link", "\\Desktop\\E2E File Link.lnk", readme, "", install, readme, "1", true},
      {"Start Menu Shortcut", "Remove E2E", "\\E2E Shortcuts User\\Remove E2E.lnk", remover,
       "/u:\"E2E Shortcuts User\"", install, remover, "1", true},
      {"Start Menu Shortcut", "E2E log", "\\E2E Shortcuts User\\E2E log.lnk", install + "\\uninst\\Install.log", "",
       install, install + "\\uninst\\Install.log", "1", true},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.name);
    const std::string link = LoggedLink(log, e.kind, e.name);
    ASSERT_FALSE(link.empty()) << log;
    EXPECT_TRUE(link.ends_with(e.file_tail)) << link;
    EXPECT_TRUE(fs::is_regular_file(HostPath(link))) << HostPath(link);
    const auto fields = ReadLink(link);
    ASSERT_FALSE(fields.empty()) << link;
    EXPECT_EQ(fields.at("target"), e.target);
    EXPECT_EQ(fields.at("arguments"), e.arguments);
    EXPECT_EQ(fields.at("workdir"), e.workdir);
    EXPECT_EQ(fields.at("icon"), e.icon);
    EXPECT_EQ(fields.at("iconindex"), "0");
    EXPECT_EQ(fields.at("show"), e.show);
    EXPECT_EQ(Listed(dat, link), e.recorded) << dat;
    if (e.folder_tail) {
      const std::string folder = link.substr(0, link.rfind('\\'));
      EXPECT_TRUE(folder.ends_with(e.folder_tail));
      EXPECT_TRUE(Listed(dat, "~" + folder)) << dat;
    }
  }

  // The desktop is a folder of the prefix, never the host's home the session's links led to.
  const fs::path desktop_dir = HostPath(LoggedLink(log, "Desktop Shortcut", "E2E Kept")).parent_path();
  EXPECT_FALSE(fs::is_symlink(desktop_dir));
  EXPECT_EQ(desktop_dir.string().rfind((Prefix() / "drive_c").string(), 0), 0u) << desktop_dir;
  for (const char* name : {"E2E Readme_ notes_.lnk", "E2E Kept.lnk", "E2E File Link.lnk"}) fs::remove(desktop_dir / name);
}

TEST(Shortcuts, AllUsersDesktopFolderGetsItsIcon) {
  ASSERT_FALSE(Prefix().empty()) << "no Wine session";
  const fs::path dir = ScratchDir("shortcuts-all");
  const fs::path product = dir / "product";
  const std::string install = WindowsPathUtf8(product);
  mvpack::Project p = SmallProject(dir);
  p.settings.DefaultInstallDir = WindowsPath(product);
  p.settings.UninstallSubdir = u"Zub\u00e9h\u00f6r";  // a folder name outside ASCII: Desktop.ini in UTF-16
  p.settings.UninstallKeyName = u"E2E Shortcuts All";
  p.settings.ProductStartMenu = u"E2E Shortcuts All";
  p.settings.ShortcutMode = 1;
  p.settings.DesktopFolder = u"E2E Desktop Folder";
  p.settings.DesktopFolderIcon = mv::Bytes{0, 0, 1, 0, 0, 0};
  p.settings.ProductFlags |= kUninstallSupport | kLogEachFile;
  mv::ShortcutEntry both = Entry(u"E2E Both", u"data.bin");
  both.desktop = 1;
  both.start_menu = 1;
  p.lists.ShortcutList = {both};

  const Built built = Build(p, dir / "shortcuts-all.exe");
  const ExitCode r = RunWindows(built.path, "/silent", 90, dir);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  const fs::path data_folder = product / u8"Zub\u00e9h\u00f6r";
  const std::string log = Text(data_folder / "Install.log");
  const std::string dat = Text(data_folder / "Uninstall.dat");

  const std::string link = LoggedLink(log, "Desktop Folder Shortcut", "E2E Both");
  ASSERT_FALSE(link.empty()) << log;
  EXPECT_TRUE(link.ends_with("\\Public\\Desktop\\E2E Desktop Folder\\E2E Both.lnk")) << link;
  EXPECT_EQ(ReadLink(link)["target"], install + "\\data.bin");
  const std::string menu = LoggedLink(log, "Start Menu Shortcut", "E2E Both");
  EXPECT_TRUE(menu.ends_with("\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\E2E Shortcuts All\\E2E Both.lnk"))
      << menu;
  EXPECT_EQ(ReadLink(menu)["target"], install + "\\data.bin");

  const std::string folder = link.substr(0, link.rfind('\\'));
  const std::string icon = install + "\\Zub\u00e9h\u00f6r\\Desktop Icon.ico";
  EXPECT_EQ(ReadAll(data_folder / "Desktop Icon.ico"), p.settings.DesktopFolderIcon);
  for (const std::string& line : {link, menu, folder + "\\Desktop.ini", "~" + folder, "|" + icon})
    EXPECT_TRUE(Listed(dat, line)) << line << "\n" << dat;

  // Desktop.ini names the icon in UTF-16 (the path is not ASCII) and is hidden and a system file.
  const mv::Bytes ini = ReadAll(HostPath(folder) / "Desktop.ini");
  ASSERT_GE(ini.size(), 2u);
  EXPECT_EQ(ini[0], 0xFF);
  EXPECT_EQ(ini[1], 0xFE);
  std::u16string text;
  for (std::size_t i = 2; i + 1 < ini.size(); i += 2) text += static_cast<char16_t>(ini[i] | ini[i + 1] << 8);
  const std::string utf8 = mv::Utf16ToUtf8(text);
  EXPECT_NE(utf8.find("[.ShellClassInfo]"), std::string::npos) << utf8;
  EXPECT_NE(utf8.find("IconIndex=0"), std::string::npos) << utf8;
  EXPECT_NE(utf8.find("IconFile=" + icon), std::string::npos) << utf8;
  const ToolResult attrib = RunTool("attrib", {folder + "\\Desktop.ini"});
  EXPECT_EQ(attrib.status, 0);
  const std::string flags = attrib.output.substr(0, attrib.output.find("C:\\"));
  EXPECT_NE(flags.find('H'), std::string::npos) << attrib.output;
  EXPECT_NE(flags.find('S'), std::string::npos) << attrib.output;
  fs::remove_all(HostPath(folder));
}

// Wine reports Windows 10 unless told otherwise; the pin is tried on 7 to 8.1 only, so the installer
// is given Windows 7 by its file name. Wine has no "taskbarpin" verb: the pin fails, is logged, its
// temporary link is deleted and the pin's place is still recorded for removal.
TEST(Shortcuts, TaskbarPinFailsUnderWineAndIsStillRecorded) {
  ASSERT_FALSE(Prefix().empty()) << "no Wine session";
  const fs::path dir = ScratchDir("shortcuts-pin");
  const fs::path product = dir / "product";
  const std::string exe_name = "mv-e2e-pin.exe";
  ASSERT_TRUE(Reg({"add", "HKCU\\Software\\Wine\\AppDefaults\\" + exe_name, "/v", "Version", "/d", "win7", "/f"}));
  mvpack::Project p = SmallProject(dir);
  p.settings.DefaultInstallDir = WindowsPath(product);
  p.settings.UninstallSubdir = u"uninst";
  p.settings.ProductFlags |= kUninstallSupport | kLogEachFile;
  p.lists.PinTarget = u"\"%InstallDir%\\data.bin\" --pinned";
  p.lists.PinName = u"E2E Pin: one";

  const fs::path temp = Prefix() / "drive_c" / "users" / "root" / "Temp";
  const auto pin_folders = [&] {
    int n = 0;
    if (fs::exists(temp))
      for (const auto& entry : fs::directory_iterator(temp)) n += entry.path().extension() == ".PIN";
    return n;
  };
  const int before = pin_folders();
  const Built built = Build(p, dir / exe_name);
  const ExitCode r = RunWindows(built.path, "/silent", 90, dir);
  Reg({"delete", "HKCU\\Software\\Wine\\AppDefaults\\" + exe_name, "/f"});
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  const std::string log = Text(product / "uninst" / "Install.log");
  const std::string dat = Text(product / "uninst" / "Uninstall.dat");
  EXPECT_NE(log.find("Pin to taskbar(" + WindowsPathUtf8(product) + "\\data.bin): FAIL\r\n"), std::string::npos) << log;
  EXPECT_NE(dat.find("\\Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar\\E2E Pin_ one.lnk\r\n"),
            std::string::npos)
      << dat;
  EXPECT_EQ(pin_folders(), before) << "the temporary link's folder is left behind";
}

// The uninstaller's own link starts a working uninstallation (its target and arguments, run
// automatically), which removes every link the installation recorded.
TEST(Shortcuts, UninstallerLinkUninstallsAndEveryLinkIsRemoved) {
  ASSERT_FALSE(Prefix().empty()) << "no Wine session";
  const fs::path dir = ScratchDir("shortcuts-uninstall");
  const fs::path product = dir / "product";
  mvpack::Project p = SmallProject(dir);
  p.settings.DefaultInstallDir = WindowsPath(product);
  p.settings.UninstallSubdir = u"uninst";
  p.settings.UninstallerFileName = u"remove.exe";
  p.settings.UninstallKeyName = u"E2E Shortcuts Uninstall";
  p.settings.ProductStartMenu = u"E2E Shortcuts Uninstall";
  p.settings.ProductFlags |= kUninstallSupport | kLogEachFile | (1ull << 1);
  p.lists.Languages = {TestLanguage()};
  mv::ShortcutEntry every = Entry(u"E2E Gone\\Link", u"data.bin");
  every.desktop = every.start_menu = every.startup = 1;
  every.folder = u"%InstallDir%\\links";
  p.lists.ShortcutList = {every};

  const Built built = Build(p, dir / "shortcuts-uninstall.exe");
  ExitCode r = RunWindows(built.path, "/silent", 90, dir);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  const std::string log = Text(product / "uninst" / "Install.log");
  std::vector<fs::path> links;
  for (const char* kind : {"Desktop Shortcut", "Start Menu Shortcut", "Startup Shortcut", "Shortcut"}) {
    const std::string link = LoggedLink(log, kind, "E2E Gone\\Link");
    ASSERT_FALSE(link.empty()) << kind << "\n" << log;
    links.push_back(HostPath(link));
    ASSERT_TRUE(fs::exists(links.back())) << links.back();
  }
  const std::string remover = LoggedLink(log, "Start Menu Shortcut", "Remove E2E");
  ASSERT_FALSE(remover.empty()) << log;
  links.push_back(HostPath(remover));
  auto fields = ReadLink(remover);
  ASSERT_TRUE(fs::exists(HostPath(fields["target"]))) << fields["target"];

  // A user's desktop and Startup folder hold other files: the uninstaller removes the links' emptied
  // sub-folders and walks up from them while the folders are empty, which must not take the session's
  // own folders with it.
  std::vector<fs::path> keepers;
  for (std::size_t i : {0u, 2u}) {
    keepers.push_back(links[i].parent_path().parent_path() / "e2e-keep.txt");
    WriteAll(keepers.back(), mv::Bytes(1, 'k'));
  }
  r = RunWindows(HostPath(fields["target"]), "/a " + fields["arguments"], 120, dir);
  for (const fs::path& keeper : keepers) fs::remove(keeper);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  for (const fs::path& link : links) {
    EXPECT_FALSE(fs::exists(link)) << link;
    EXPECT_FALSE(fs::exists(link.parent_path()) && link.parent_path().filename() == "E2E Gone") << link;
  }
}

// On a removable drive with the removable-only switch, only the uninstaller's links in the
// uninstall-data and installation folders are made; the root shortcut goes to the drive's root.
TEST(Shortcuts, RemovableDriveKeepsMarkedLinksAndGetsTheRootShortcut) {
  const std::string letter = SessionValue("MV_REMOVABLE_DRIVE");
  if (letter.empty()) GTEST_SKIP() << "the Wine session has no removable drive";
  const fs::path drive = SessionValue("MV_REMOVABLE_DIR");
  const fs::path dir = ScratchDir("shortcuts-removable");
  const fs::path product = drive / "e2e-shortcuts";
  fs::remove_all(product);
  fs::remove(drive / "E2E Root.lnk");
  const std::string install = letter + ":\\e2e-shortcuts";
  mvpack::Project p = SmallProject(dir);
  p.settings.DefaultInstallDir = mv::Utf8ToUtf16(install);
  p.settings.UninstallSubdir = u"uninst";
  p.settings.UninstallerFileName = u"remove.exe";
  p.settings.UninstallKeyName = u"E2E Shortcuts Removable";
  p.settings.ProductStartMenu = u"E2E Shortcuts Removable";
  p.settings.ProductFlags |= kUninstallSupport | kLogEachFile | (1ull << 1) | (1ull << 33) | (1ull << 38);
  p.product_flags2 |= (1u << 11) | (1u << 21);
  p.lists.Languages = {TestLanguage()};
  mv::ShortcutEntry desktop = Entry(u"E2E Removable Desktop", u"data.bin");
  desktop.desktop = 1;
  p.lists.ShortcutList = {desktop};
  p.lists.RootShortcutCommand = u"\"%InstallDir%\\data.bin\" --root";
  p.lists.RootShortcutName = u"E2E Root";

  const Built built = Build(p, dir / "shortcuts-removable.exe");
  const ExitCode r = RunWindows(built.path, "/silent", 90, dir);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  const std::string log = Text(product / "uninst" / "Install.log");
  const std::string dat = Text(product / "uninst" / "Uninstall.dat");
  EXPECT_EQ(log.find("Desktop Shortcut("), std::string::npos) << log;
  EXPECT_EQ(log.find("Start Menu Shortcut("), std::string::npos) << log;
  for (const std::string& folder : {install + "\\uninst", install}) {
    const std::string link = folder + "\\Remove E2E.lnk";
    EXPECT_NE(log.find("Shortcut(Remove E2E) >>> " + link + "\r\n"), std::string::npos) << log;
    EXPECT_EQ(ReadLink(link)["arguments"], "/u:\"E2E Shortcuts Removable\"");
    EXPECT_TRUE(Listed(dat, link)) << dat;
  }
  const std::string root = letter + ":\\E2E Root.lnk";
  EXPECT_NE(log.find("Root Shortcut(E2E Root) >>> " + root + "\r\n"), std::string::npos) << log;
  auto fields = ReadLink(root);
  EXPECT_EQ(fields["target"], install + "\\data.bin");
  EXPECT_EQ(fields["arguments"], "--root");
  EXPECT_EQ(fields["workdir"], install);
  EXPECT_TRUE(Listed(dat, root)) << dat;
  fs::remove_all(product);
  fs::remove(drive / "E2E Root.lnk");
}

}  // namespace
}  // namespace mve2e
