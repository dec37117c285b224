#include "engine/shortcut_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"

namespace mv {
namespace {

std::string N(std::u16string_view s) { return Utf16ToUtf8(s); }

ShortcutEntry Named(std::u16string name) {
  ShortcutEntry e;
  e.name = std::move(name);
  e.target = u"C:\\App\\app.exe";
  return e;
}

ShortcutSources Sources() {
  ShortcutSources s;
  s.stored = {Named(u"Stored")};
  s.from_files = {Named(u"FromFile")};
  s.uninstall_support = true;
  s.uninstaller_path = u"C:\\App\\uninstall\\uninstall.exe";
  s.uninstall_key_name = u"Acme App";
  s.uninstaller_name = u"Uninstall Acme";
  s.uninstaller_icon = u"uninstall.ico";
  s.uninstall_data_folder = u"C:\\App\\uninstall";
  s.install_dir = u"C:\\App";
  s.log_path = u"C:\\App\\uninstall\\Install.log";
  s.log_name = u"Installation log";
  return s;
}

// One line per entry: name, target, placement and marks, so a table can say what the list holds.
std::string Describe(const ShortcutEntry& e) {
  std::string out = N(e.name) + "|" + N(e.target) + "|" + N(e.arguments) + "|" + N(e.icon) + "|" + N(e.folder) + "|";
  if (e.desktop) out += "D";
  if (e.start_menu) out += "S";
  if (e.startup) out += "U";
  if (e.from_settings) out += " settings";
  if (e.uninstaller) out += " uninstaller";
  if (e.on_removable) out += " removable";
  return out;
}

std::vector<std::string> Describe(const std::vector<ShortcutEntry>& list) {
  std::vector<std::string> out;
  for (const ShortcutEntry& e : list) out.push_back(Describe(e));
  return out;
}

TEST(ShortcutList, SourcesInOrder) {
  const std::string uninst = "Uninstall Acme|C:\\App\\uninstall\\uninstall.exe|/u:\"Acme App\"|uninstall.ico|";
  struct Case {
    const char* what;
    std::uint64_t flags;
    std::uint32_t flags2;
    bool uninstall_support;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"no switches: the stored and the files' entries", 0, 0, true,
       {"Stored|C:\\App\\app.exe|||| settings", "FromFile|C:\\App\\app.exe||||"}},
      {"every uninstaller entry and the log, in their order", kFlagUninstallerStartMenu | kFlagUninstallerDesktop |
                                                                   kFlagUninstallerInDataFolder | kFlagLogShortcut,
       kFlags2UninstallerInInstallFolder, true,
       {"Stored|C:\\App\\app.exe|||| settings", "FromFile|C:\\App\\app.exe||||", uninst + "|S uninstaller",
        uninst + "|D uninstaller", uninst + "C:\\App\\uninstall| uninstaller removable",
        uninst + "C:\\App| uninstaller removable", "Installation log|C:\\App\\uninstall\\Install.log||||S"}},
      {"uninstaller switches without uninstall support add nothing but the log",
       kFlagUninstallerStartMenu | kFlagUninstallerDesktop | kFlagLogShortcut, kFlags2UninstallerInInstallFolder, false,
       {"Stored|C:\\App\\app.exe|||| settings", "FromFile|C:\\App\\app.exe||||",
        "Installation log|C:\\App\\uninstall\\Install.log||||S"}},
  };
  for (const Case& c : cases) {
    ShortcutSources s = Sources();
    s.product_flags = c.flags;
    s.product_flags2 = c.flags2;
    s.uninstall_support = c.uninstall_support;
    EXPECT_EQ(Describe(BuildShortcutList(s)), c.expected) << c.what;
  }
}

TEST(ShortcutList, RemovableFilterKeepsOnlyTheMarkedUninstallerEntries) {
  ShortcutSources s = Sources();
  s.product_flags = kFlagUninstallerStartMenu | kFlagUninstallerDesktop | kFlagUninstallerInDataFolder;
  s.product_flags2 = kFlags2UninstallerInInstallFolder;
  const std::vector<ShortcutEntry> list = BuildShortcutList(s);
  struct Case {
    std::uint32_t flags2;
    bool removable;
    std::vector<std::string> kept_folders;  // the folder of each entry made ("" for placed ones)
  };
  const Case cases[] = {
      {kFlags2RemovableOnlyMarked, true, {"C:\\App\\uninstall", "C:\\App"}},
      {kFlags2RemovableOnlyMarked, false, {"", "", "", "", "C:\\App\\uninstall", "C:\\App"}},
      {0, true, {"", "", "", "", "C:\\App\\uninstall", "C:\\App"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> kept;
    for (const ShortcutEntry& e : list)
      if (ShortcutSelected(e, c.flags2, c.removable)) kept.push_back(N(e.folder));
    EXPECT_EQ(kept, c.kept_folders) << c.flags2 << " removable " << c.removable;
  }
}

TEST(ShortcutText, Splitting) {
  struct Case {
    const char* text;
    bool tilde_form;
    const char* tilde_program;
    const char* tilde_arguments;
    const char* command_program;
    const char* command_arguments;
    const char* pin_program;
    const char* pin_arguments;
  };
  const Case cases[] = {
      {"~\"C:\\p\\app.exe\" -x", true, "C:\\p\\app.exe", "-x", "~\"C:\\p\\app.exe\"", "-x", "C:\\p\\app.exe", "-x"},
      {"~\" C:\\p\\app.exe \"   -x  -y", true, "C:\\p\\app.exe", "-x  -y", "~\"", "C:\\p\\app.exe \"   -x  -y",
       "C:\\p\\app.exe", "-x  -y"},
      {"\"C:\\Program Files\\a.exe\" /s", false, "", "", "C:\\Program Files\\a.exe", "/s", "C:\\Program Files\\a.exe",
       "/s"},
      {"C:\\a.exe /s /t", false, "", "", "C:\\a.exe", "/s /t", "C:\\a.exe /s /t", ""},
      {"~\"unclosed -x", false, "", "", "~\"unclosed", "-x", "~\"unclosed -x", ""},
      {" ~\"C:\\a.exe\"", false, "", "", "~\"C:\\a.exe\"", "", "C:\\a.exe", ""},
      {"\"unclosed -x", false, "", "", "unclosed -x", "", "\"unclosed -x", ""},
      {"", false, "", "", "", "", "", ""},
  };
  for (const Case& c : cases) {
    const std::u16string text = Utf8ToUtf16(c.text);
    const auto tilde = SplitTildeArguments(text);
    ASSERT_EQ(tilde.has_value(), c.tilde_form) << c.text;
    if (tilde) {
      EXPECT_EQ(N(tilde->program), c.tilde_program) << c.text;
      EXPECT_EQ(N(tilde->arguments), c.tilde_arguments) << c.text;
    }
    const ProgramAndArguments command = SplitCommandLine(text);
    EXPECT_EQ(N(command.program), c.command_program) << c.text;
    EXPECT_EQ(N(command.arguments), c.command_arguments) << c.text;
    const ProgramAndArguments pin = SplitPinTarget(text);
    EXPECT_EQ(N(pin.program), c.pin_program) << c.text;
    EXPECT_EQ(N(pin.arguments), c.pin_arguments) << c.text;
  }
}

TEST(ShortcutText, NamesAreMadeSafeAsFileNames) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"Acme App", u"Acme App"},
      {u"Tools\\Acme", u"Tools\\Acme"},
      {u"Acme: the app", u"Acme_ the app"},
      {u"a\"b?c*d<e>f|g/h", u"a_b_c_d_e_f_g_h"},
      {u"Tab\there\x01", u"Tab_here_"},
      {u"Grüße \u4e2d", u"Grüße \u4e2d"},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(N(SanitizeShortcutName(name)), N(expected)) << N(name);
}

TEST(ShortcutLink, PathsAndSettings) {
  EXPECT_EQ(N(LinkFilePath(u"C:\\D\\App")), "C:\\D\\App.lnk");
  EXPECT_EQ(N(LinkFilePath(u"C:\\D\\App.LNK")), "C:\\D\\App.LNK");
  EXPECT_EQ(N(LinkFilePath(u"C:\\D\\App.lnk.txt")), "C:\\D\\App.lnk.txt.lnk");
  EXPECT_EQ(N(LinkWorkingFolder(u"D:")), "D:\\");
  EXPECT_EQ(N(LinkWorkingFolder(u"D:\\x")), "D:\\x");
  EXPECT_EQ(N(LinkWorkingFolder(u"")), "");

  struct Flags {
    std::uint8_t show_state;
    bool all_users;
    unsigned flags;
    int show_command;
  };
  const Flags flags[] = {{0, false, 0, 0}, {1, false, kLinkMinimised, 7}, {2, true, kLinkAllUsers | kLinkMaximised, 3},
                         {3, true, kLinkAllUsers, 0}};
  for (const Flags& f : flags) {
    EXPECT_EQ(ShortcutFlags(f.show_state, f.all_users), f.flags) << int(f.show_state);
    EXPECT_EQ(LinkShowCommand(f.flags), f.show_command) << int(f.show_state);
  }
  EXPECT_EQ(LinkShowCommand(kLinkMinimised | kLinkMaximised), 7);
}

TEST(ShortcutLink, PlacesLogLinesAndUninstallItems) {
  ShortcutFolders folders;
  folders.desktop = u"C:\\Users\\u\\Desktop";
  folders.desktop_folder = u"C:\\Users\\u\\Desktop\\Acme";
  folders.start_menu = u"C:\\Users\\u\\Programs\\Acme";
  folders.startup = u"C:\\Users\\u\\Startup\\";
  using K = UninstallEntryKind;
  struct Case {
    ShortcutPlace place;
    const char16_t* explicit_folder;
    const char16_t* name;
    const char* link;
    const char* log;
    std::vector<UninstallItem> items;
  };
  const Case cases[] = {
      {ShortcutPlace::kDesktop, u"", u"App", "C:\\Users\\u\\Desktop\\App", "Desktop Shortcut(App) >>> C:\\Users\\u\\Desktop\\App\r\n",
       {{u"C:\\Users\\u\\Desktop\\App.lnk", K::kFile}}},
      {ShortcutPlace::kDesktop, u"", u"Sub\\App", "C:\\Users\\u\\Desktop\\Sub\\App",
       "Desktop Shortcut(Sub\\App) >>> C:\\Users\\u\\Desktop\\Sub\\App\r\n",
       {{u"C:\\Users\\u\\Desktop\\Sub\\App.lnk", K::kFile}, {u"C:\\Users\\u\\Desktop\\Sub", K::kFolder}}},
      {ShortcutPlace::kDesktopFolder, u"", u"App", "C:\\Users\\u\\Desktop\\Acme\\App",
       "Desktop Folder Shortcut(App) >>> C:\\Users\\u\\Desktop\\Acme\\App\r\n",
       {{u"C:\\Users\\u\\Desktop\\Acme\\App.lnk", K::kFile}}},
      {ShortcutPlace::kStartMenu, u"", u"Sub\\App", "C:\\Users\\u\\Programs\\Acme\\Sub\\App",
       "Start Menu Shortcut(Sub\\App) >>> C:\\Users\\u\\Programs\\Acme\\Sub\\App\r\n",
       {{u"C:\\Users\\u\\Programs\\Acme\\Sub\\App.lnk", K::kFile}, {u"C:\\Users\\u\\Programs\\Acme\\Sub", K::kFolder}}},
      {ShortcutPlace::kStartup, u"", u"Sub\\App", "C:\\Users\\u\\Startup\\Sub\\App",
       "Startup Shortcut(Sub\\App) >>> C:\\Users\\u\\Startup\\Sub\\App\r\n",
       {{u"C:\\Users\\u\\Startup\\Sub\\App.lnk", K::kFile}, {u"C:\\Users\\u\\Startup\\Sub", K::kFolder}}},
      {ShortcutPlace::kFolder, u"E:\\", u"App", "E:\\App", "Shortcut(App) >>> E:\\App\r\n",
       {{u"E:\\App.lnk", K::kFile}, {u"E:\\", K::kFolder}}},
      {ShortcutPlace::kFolder, u"D:\\Tools\\", u"App", "D:\\Tools\\App", "Shortcut(App) >>> D:\\Tools\\App\r\n",
       {{u"D:\\Tools\\App.lnk", K::kFile}, {u"D:\\Tools", K::kFolder}}},
  };
  for (const Case& c : cases) {
    const std::u16string link = ShortcutLinkPath(c.place, folders, c.explicit_folder, c.name);
    EXPECT_EQ(N(link), c.link);
    std::u16string log(ShortcutLogFormat(c.place));
    for (const std::u16string& arg : {std::u16string(c.name), link}) log.replace(log.find(u"%s"), 2, arg);
    EXPECT_EQ(N(log), c.log);
    EXPECT_EQ(ShortcutUninstallItems(c.place, LinkFilePath(link), c.name), c.items) << c.link;
  }
  EXPECT_EQ(N(PinnedLinkPath(u"C:\\Users\\u\\AppData\\Roaming", u"Acme")),
            "C:\\Users\\u\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar\\Acme.lnk");
}

}  // namespace
}  // namespace mv
