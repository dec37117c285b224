// Uninstalling real installations under Wine: the uninstaller the installation placed is run with the
// exact command of the product's "UninstallString" and removes what the installation recorded, then
// itself; the early exits (unknown product, missing Uninstall.dat); a file held open leaves a retry
// record; the whole-tree deletion never follows a link and never deletes a system folder.
#include <gtest/gtest.h>

#include "base/text.h"
#include "engine/registry_script.h"
#include "package/settings.h"
#include "uninstall_scenario.h"

namespace mve2e {
namespace {

const std::string kEnvironment = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment";

// Whether Wine's own uninstaller lists the product ("key name|||display name" lines).
bool WineListsProduct(const std::string& key_name) {
  Process list({(SourceDir() / "scripts" / "wine-exec").string(), "uninstaller", "--list"}, true);
  EXPECT_EQ(list.Wait(60), 0);
  return list.output().find(key_name + "|||") != std::string::npos;
}

TEST(Uninstall, InstallThenUninstallRemovesEverythingRecordedAndThenItself) {
  const fs::path dir = ScratchDir("uninstall-full");
  mvpack::Project p = UninstallableProject(dir);
  const fs::path installed = dir / "installed";
  const std::string key = kUninstallRoot + Narrow(p.settings.UninstallKeyName);
  const std::string machine = "HKLM\\Software\\MvE2EUninstall\\Script";
  const std::u16string m = u"\\HKLM\\Software\\MvE2EUninstall\\Script";
  Reg({"delete", "HKLM\\Software\\MvE2EUninstall", "/f", kView64});
  Reg({"delete", "HKLM\\Software\\MvE2EUninstall", "/f", kView32});
  p.settings.ProductFlags |= mv::kFlagAddToPath | mv::kFlagRegistry64;
  p.settings.UninstallSubdir = u"un\\data";
  p.settings.AddToPathSubfolder = u"bin";
  p.settings.ProductRegistry = u"MvE2EUninstall\\Product";
  p.settings.RegistryScript.clear();
  const std::u16string script = m + u",Stay,1,s,1\r\n" + m + u",Gone,1,g,3\r\n" + m + u"\\Empty\r\n";
  for (char16_t ch : script) mv::AppendLe16(p.settings.RegistryScript, ch);
  fs::create_directories(installed / "bin");
  const Built built = Build(p, dir / "setup.exe");

  std::optional<RegValue> path_before = QueryValue(kEnvironment, "Path", kView64);
  ASSERT_TRUE(path_before);
  // An earlier run broken off half-way may have left the folder in the search path.
  const std::string added = ";" + WindowsPathUtf8(installed / "bin");
  if (const std::size_t at = path_before->data.find(added); at != std::string::npos) {
    path_before->data.erase(at, added.size());
    ASSERT_TRUE(Reg({"add", kEnvironment, "/v", "Path", "/t", path_before->type, "/d", path_before->data, "/f", kView64}));
  }
  ExitCode r = RunWindows(built.path, "/silent", 120, dir);
  ASSERT_FALSE(r.timed_out);
  ASSERT_EQ(r.code, 0u);
  ASSERT_TRUE(fs::exists(installed / "un" / "data" / "uninstall.exe"));
  ASSERT_TRUE(fs::exists(installed / "un" / "data" / "Uninstall.dat"));
  ASSERT_TRUE(QueryValue(machine, "Gone", kView64));
  ASSERT_TRUE(KeyExists("HKLM\\Software\\MvE2EUninstall\\Product", kView64));
  ASSERT_NE(QueryValue(kEnvironment, "Path", kView64), path_before);

  ASSERT_TRUE(WineListsProduct(Narrow(p.settings.UninstallKeyName)));

  r = RunUninstallString(key, installed);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  for (const char* name : {"readme.txt", "data.bin"}) EXPECT_FALSE(fs::exists(installed / name)) << name;
  EXPECT_FALSE(KeyExists(key, kView32));
  EXPECT_FALSE(KeyExists(key, kView64));
  EXPECT_FALSE(QueryValue(machine, "Gone", kView64));
  EXPECT_EQ(QueryValue(machine, "Stay", kView64), (RegValue{"REG_SZ", "s"}));  // mode 1 stays
  EXPECT_FALSE(KeyExists(machine + "\\Empty", kView64));
  EXPECT_FALSE(KeyExists("HKLM\\Software\\MvE2EUninstall\\Product", kView64));
  EXPECT_FALSE(KeyExists("HKLM\\Software\\MvE2EUninstall\\Product", kView32));
  EXPECT_EQ(QueryValue(kEnvironment, "Path", kView64), path_before);

  // Wine lists "key name|||display name"; other scenarios' products share the display name.
  EXPECT_FALSE(WineListsProduct(Narrow(p.settings.UninstallKeyName)));

  // The uninstaller and its folders go once its process has ended.
  EXPECT_TRUE(WaitUntilGone(installed / "un" / "data" / "uninstall.exe", 30));
  EXPECT_TRUE(WaitUntilGone(installed / "un", 30));
  // "bin" was there before the installation and stays, so the installation folder does too.
  EXPECT_TRUE(fs::exists(installed / "bin"));
  Reg({"delete", "HKLM\\Software\\MvE2EUninstall", "/f", kView64});
}

TEST(Uninstall, ShowsTheProductsBackgroundWindowWhenNotSilent) {
  const fs::path dir = ScratchDir("uninstall-look");
  mvpack::Project p = UninstallableProject(dir);
  const fs::path installed = dir / "installed";
  const std::string key = kUninstallRoot + Narrow(p.settings.UninstallKeyName);
  const std::string caption = "MvE2E uninstall look";
  p.settings.ProductFlags |= mv::kFlagDialogColours;
  p.settings.ProductFlags &= ~mv::kFlagNoBackgroundWindow;
  p.settings.DialogBG = 0x00C0FFEE;
  p.settings.DialogFG = 0x00102030;
  p.settings.TaskbarText = mv::Utf8ToUtf16(caption);
  p.settings.DisplayTitle = u"MvE2E Look Title";
  // Holds the run while the window is looked at: long enough for the looking helper to start under load.
  p.settings.UninstallBatch1 = "ping -n 9 127.0.0.1 >nul";
  const Built built = Build(p, dir / "setup.exe");

  // Automatic, not silent: a silent installation writes no background values.
  ExitCode r = RunWindows(built.path, "/a", 120, dir);
  ASSERT_FALSE(r.timed_out);
  ASSERT_EQ(r.code, 0u);
  ASSERT_EQ(QueryValue(key, "DisplayTitle", kView32), (RegValue{"REG_SZ", "MvE2E Look Title"}));
  ASSERT_EQ(QueryValue(key, "DialogBG", kView32), (RegValue{"REG_SZ", "EEFFC0"}));
  // A product icon in the uninstall-data folder; the run loads it for its windows.
  fs::copy_file(SourceDir() / "src" / "app" / "mvsetup.ico", installed / "uninstall.ico");

  const std::optional<RegisteredCommand> command = UninstallStringOf(key);
  ASSERT_TRUE(command);
  WindowsRun run(command->exe, "/a " + command->arguments, 120, dir);
  // The caption is the product's taskbar text, read back from its key (the default would be "Setup").
  const ToolResult found =
      RunTool(HelperExe("mvui"), {"find", "--class", "SEA Window Class", "--title", caption, "--timeout", "30000"}, 40);
  EXPECT_EQ(found.status, 0) << found.output;
  r = run.Wait();
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  for (const char* name : {"readme.txt", "data.bin"}) EXPECT_FALSE(fs::exists(installed / name)) << name;
  EXPECT_FALSE(KeyExists(key, kView32));
}

TEST(Uninstall, EarlyExits) {
  const fs::path dir = ScratchDir("uninstall-early");
  // An unknown product: 13, and in silent mode no window waits for anyone.
  ExitCode r = RunWindows(RuntimeExe(), "/silent /u:\"MvE2E no such product\"", 60, dir);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 13u);

  // A key whose folder holds no Uninstall.dat: 14; the key stays.
  const std::string key = kUninstallRoot + "MvE2E uninstall-early";
  ASSERT_TRUE(Reg({"add", key, "/v", "InstallLocation", "/d", WindowsPathUtf8(dir), "/f", kView32}));
  r = RunWindows(RuntimeExe(), "/silent /u:\"MvE2E uninstall-early\"", 60, dir);
  EXPECT_EQ(r.code, 14u);
  // No installation folder at all: 14 too.
  ASSERT_TRUE(Reg({"delete", key, "/v", "InstallLocation", "/f", kView32}));
  r = RunWindows(RuntimeExe(), "/silent /u:\"MvE2E uninstall-early\"", 60, dir);
  EXPECT_EQ(r.code, 14u);
  EXPECT_TRUE(KeyExists(key, kView32));
  Reg({"delete", key, "/f", kView32});
}

TEST(Uninstall, ClosesTheProgramsItsRecordNames) {
  const fs::path dir = ScratchDir("uninstall-close");
  const std::string key = kUninstallRoot + "MvE2E uninstall-close";
  // Two message boxes stand for running programs: one closed politely (it answers Cancel, 2), one
  // terminated (exit code 0). A third whose title matches no entry keeps running.
  const std::string record =
      "\r\n\r\n[AutoClose]\r\n#32770,MvE2E close me,Box,0\r\n#32770,*E2E end me,Other,3\r\n";
  WriteAll(dir / "Uninstall.dat", mv::Bytes(record.begin(), record.end()));
  ASSERT_TRUE(Reg({"add", key, "/v", "InstallLocation", "/d", WindowsPathUtf8(dir), "/f", kView32}));
  ASSERT_TRUE(Reg({"add", key, "/v", "ProductFlags", "/d", std::to_string(kAutomaticUninstall), "/f", kView32}));
  auto box = [](const std::string& caption) {
    return Process({(SourceDir() / "scripts" / "wine-exec").string(), HelperExe("msgbox").string(), caption, "x"}, false);
  };
  Process closed = box("MvE2E close me");
  Process ended = box("MvE2E end me");
  Process kept = box("MvE2E keep me");
  for (const char* title : {"MvE2E close me", "MvE2E end me", "MvE2E keep me"})
    ASSERT_EQ(RunTool(HelperExe("mvui"), {"find", "--title", title, "--timeout", "30000"}, 40).status, 0) << title;

  fs::copy_file(RuntimeExe(), dir / "uninstall.exe");
  const ExitCode r = RunWindows(dir / "uninstall.exe", "/silent /u:\"MvE2E uninstall-close\"", 60, dir);
  EXPECT_EQ(r.code, 0u);
  EXPECT_EQ(closed.Wait(30), 2);
  EXPECT_EQ(ended.Wait(30), 0);
  EXPECT_EQ(kept.Wait(2), std::nullopt) << "a window no entry names keeps running";
  EXPECT_FALSE(KeyExists(key, kView32));
}

TEST(Uninstall, AHeldFileLeavesARetryRecordAndTheSecondRunRemovesTheRest) {
  const fs::path dir = ScratchDir("uninstall-held");
  mvpack::Project p = UninstallableProject(dir);
  const fs::path installed = dir / "installed";
  const std::string key = kUninstallRoot + Narrow(p.settings.UninstallKeyName);
  const Built built = Build(p, dir / "setup.exe");
  ASSERT_EQ(RunWindows(built.path, "/silent", 120, dir).code, 0u);
  fs::create_directories(installed / "mine");
  WriteAll(installed / "mine" / "notes.txt", mv::Bytes{'u'});  // the user's own file

  {
    Process holder({(SourceDir() / "scripts" / "wine-exec").string(), HelperExe("holdfile").string(),
                    WindowsPathUtf8(installed / "data.bin"), "120"},
                   true);
    ASSERT_TRUE(holder.WaitForOutput("held", 30));
    const ExitCode r = RunUninstallString(key, installed);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 3u);
    EXPECT_TRUE(KeyExists(key, kView32));
    EXPECT_FALSE(fs::exists(installed / "readme.txt"));
    const std::string record = Text(installed / "Uninstall.dat");
    const std::string entries = record.substr(0, record.find("\r\n\r\n"));
    EXPECT_EQ(entries, WindowsPathUtf8(installed / "data.bin")) << record;
    EXPECT_NE(record.find("[Strings]"), std::string::npos) << "the texts stay for the retry";
  }
  ExitCode r = RunUninstallString(key, installed);
  EXPECT_EQ(r.code, 0u);
  EXPECT_FALSE(fs::exists(installed / "data.bin"));
  EXPECT_FALSE(KeyExists(key, kView32));
  EXPECT_TRUE(WaitUntilGone(installed / "uninstall.exe", 30));
  EXPECT_TRUE(fs::exists(installed / "mine" / "notes.txt")) << "files the user added stay";
}

TEST(Uninstall, TreeDeletionStopsAtLinksAndNeverTakesProgramFiles) {
  const fs::path dir = ScratchDir("uninstall-tree");
  const fs::path outside = dir / "outside";
  fs::create_directories(outside);
  WriteAll(outside / "precious.txt", mv::Bytes{'p'});
  mvpack::Project p = UninstallableProject(dir);
  p.settings.ProductFlags |= kDeleteTree;
  const fs::path installed = dir / "installed";
  const std::string key = kUninstallRoot + Narrow(p.settings.UninstallKeyName);
  const Built built = Build(p, dir / "setup.exe");
  ASSERT_EQ(RunWindows(built.path, "/silent", 120, dir).code, 0u);
  fs::create_directories(installed / "mine");
  WriteAll(installed / "mine" / "notes.txt", mv::Bytes{'u'});
  fs::create_directory_symlink(outside, installed / "mine" / "link");

  const ExitCode r = RunUninstallString(key, installed);
  EXPECT_EQ(r.code, 0u);
  // The product and the user's files go; nothing behind the link does. (Under Wine the link itself,
  // a Unix symbolic link to a folder that is not empty, cannot be removed through any call the
  // runtime makes, so it and the folder holding it are left; on Windows the link goes too.)
  EXPECT_FALSE(fs::exists(installed / "mine" / "notes.txt"));
  EXPECT_FALSE(fs::exists(installed / "readme.txt"));
  EXPECT_FALSE(fs::exists(installed / "Uninstall.dat"));
  EXPECT_TRUE(fs::exists(outside / "precious.txt")) << "nothing behind the link";

  // A product installed into the Program Files folder itself: the folder stays, whether it is named
  // as Windows names it or reached through another drive.
  const fs::path pf = fs::path(SessionValue("WINEPREFIX")) / "drive_c" / "Program Files (x86)";
  ASSERT_TRUE(fs::exists(pf));
  const std::string pf_key = kUninstallRoot + "MvE2E uninstall-tree-pf";
  for (const std::string& location : {std::string("C:\\Program Files (x86)"), WindowsPathUtf8(pf)}) {
    SCOPED_TRACE(location);
    WriteAll(pf / "mve2e-tree.txt", mv::Bytes{'x'});
    WriteAll(pf / "Uninstall.dat", mv::Bytes{'\r', '\n'});
    ASSERT_TRUE(Reg({"add", pf_key, "/v", "InstallLocation", "/d", location, "/f", kView32}));
    ASSERT_TRUE(Reg({"add", pf_key, "/v", "ProductFlags", "/d", std::to_string(kDeleteTree | kAutomaticUninstall), "/f", kView32}));
    // A copy runs: after a successful run the uninstaller removes its own file.
    fs::copy_file(RuntimeExe(), dir / "pf-uninstall.exe", fs::copy_options::overwrite_existing);
    const ExitCode pf_run = RunWindows(dir / "pf-uninstall.exe", "/silent /u:\"MvE2E uninstall-tree-pf\"", 60, dir);
    EXPECT_EQ(pf_run.code, 0u);
    EXPECT_TRUE(fs::exists(pf / "mve2e-tree.txt"));
    EXPECT_TRUE(WaitUntilGone(dir / "pf-uninstall.exe", 30));
    fs::remove(pf / "mve2e-tree.txt");
  }
  Reg({"delete", pf_key, "/f", kView32});
}

}  // namespace
}  // namespace mve2e
