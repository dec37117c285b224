// The end of real installations under Wine: the product's Uninstall key read back in the 32-bit view
// and listed by Wine's own uninstaller, the uninstaller beside it, the exit codes of a pending
// replacement (with /norestart) and of a full disk, and the program started after the run (/r:).
//
// The restart itself is left out here: under Wine it starts "wineboot --end-session --force" in the
// session, which would reach the windows of scenarios running beside it. The tests observe that a
// /norestart run starts no such process; the restart decision is tested on the host.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "base/bytes.h"
#include "base/text.h"
#include "engine/completion_rules.h"
#include "records/install_log.h"
#include "package/settings.h"
#include "scenario.h"

namespace mve2e {
namespace {

constexpr std::uint32_t kRestartPending = 16, kDiskFull = 17;
const std::string kView32 = "/reg:32", kView64 = "/reg:64";
const std::string kUninstallRoot = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Narrow(const std::u16string& s) { return mv::Utf16ToUtf8(s); }

std::string Hex(std::uint64_t n) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(n));
  return text;
}

// Watches the session for the process Wine starts when a program asks for a restart, until
// destroyed. Only processes of this session's prefix count.
class RestartWatch {
 public:
  RestartWatch() : prefix_("WINEPREFIX=" + SessionValue("WINEPREFIX")), thread_([this] { Run(); }) {}
  ~RestartWatch() {
    stop_ = true;
    thread_.join();
  }
  bool seen() const { return seen_; }

 private:
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Run() {
    while (!stop_) {
      std::error_code ec;
      for (const auto& e : fs::directory_iterator("/proc", ec)) {
        const std::string command = Read(e.path() / "cmdline");
        if (command.find("wineboot") == std::string::npos || command.find("--end-session") == std::string::npos)
          continue;
        const std::string environment = Read(e.path() / "environ");
        if (environment.find(prefix_ + '\0') != std::string::npos) seen_ = true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  std::string prefix_;
  std::atomic<bool> stop_{false}, seen_{false};
  std::thread thread_;
};

bool WaitForFile(const fs::path& path, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (fs::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

TEST(Completion, UninstallKeyHoldsEveryValueInItsFormAndWinesUninstallerListsIt) {
  const fs::path dir = ScratchDir("completion-key");
  mvpack::Project p = SmallProject(dir);
  const std::string key = kUninstallRoot + Narrow(p.settings.UninstallKeyName);
  Reg({"delete", key, "/f", kView32});
  // What an earlier installation left, which this one's empty settings delete.
  ASSERT_TRUE(Reg({"add", key, "/v", "Publisher", "/d", "Old Maker", "/f", kView32}));
  ASSERT_TRUE(Reg({"add", key, "/v", "BottomColor", "/t", "REG_DWORD", "/d", "5", "/f", kView32}));
  ASSERT_TRUE(Reg({"add", key, "/v", "Removed", "/d", "x", "/f", kView32}));

  p.settings.ProductFlags |= mv::kFlagUninstaller | mv::kFlagDialogColours;
  p.settings.Publisher.clear();
  p.settings.DisplayVersion = "3.12.5";
  p.settings.UninstallerFileName = u"uninstall.exe";
  p.settings.BannerFG = 0x00332211;
  p.settings.DialogFG = 0x00ABCDEF;
  p.settings.TitleSize = 14.5;
  p.settings.TopColor = p.settings.BottomColor = 0x00FF8000;
  p.settings.UninstallShared = 2;
  // Two readme texts, plain and rich, and one licence; a marker for the restart's scripts.
  p.settings.ProductFlags |= mv::kFlagSaveReadme | mv::kFlagSaveLicense | mv::kFlagRebootMarker;
  const mv::Bytes rich = {'{', '\\', 'r', 't', 'f', '1', ' ', 'x', '}'};
  p.settings.ReadmeFiles = {mv::Bytes{'H', 0, 'i', 0}, rich};
  p.settings.LicenseFiles = {mv::Bytes{0xFF, 0xFE, 'O', 0, 'K', 0}};
  p.lists.UninstallRegistryList = {{u"Comments", 1, u"plain"},
                                   {u"NoModify", 4, u"1"},
                                   {u"Removed", 1, u""},
                                   {u"\\HKLM\\Software\\MvE2ECompletion\\Where", 2, u"%SystemRoot%"}};
  const Built built = Build(p, dir / "setup.exe");
  const fs::path installed = dir / "installed";
  const std::string install_dir = WindowsPathUtf8(installed);
  const std::string uninstaller = install_dir + "\\uninstall.exe";

  const ExitCode r = RunWindows(built.path, "/silent", 120, dir);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);

  const std::string flags = std::to_string(static_cast<std::int64_t>(mv::ApplySilentMode(p.settings.ProductFlags)));
  struct Expected {
    const char* name;
    std::optional<RegValue> value;
  } expected[] = {
      {"UninstallString", RegValue{"REG_SZ", "\"" + uninstaller + "\" /u:\"MvE2E completion-key\""}},
      {"QuietUninstallString", RegValue{"REG_SZ", "\"" + uninstaller + "\" /a /u:\"MvE2E completion-key\""}},
      {"DisplayName", RegValue{"REG_SZ", "E2E Product"}},
      {"InstallSource", RegValue{"REG_SZ", WindowsPathUtf8(built.path)}},
      {"Publisher", std::nullopt},
      {"Bitness", RegValue{"REG_DWORD", "0x0"}},
      {"DisplayVersion", RegValue{"REG_SZ", "3.12.5"}},
      {"NoDowngradeBelow", std::nullopt},
      {"VersionMajor", RegValue{"REG_DWORD", "0x3"}},
      {"VersionMinor", RegValue{"REG_DWORD", "0xc"}},
      {"ProductFlags", RegValue{"REG_SZ", flags}},
      {"ProductFlags2", RegValue{"REG_SZ", "0"}},
      {"UninstallShared", RegValue{"REG_DWORD", "0x2"}},
      {"Language", RegValue{"REG_SZ", "English"}},
      {"EstimatedSize", RegValue{"REG_DWORD", Hex(15000 / 1024)}},  // the two files' bytes in whole KiB
      {"BannerFG", RegValue{"REG_SZ", "112233"}},
      {"DialogFG", RegValue{"REG_SZ", "EFCDAB"}},
      {"ButtonBG", std::nullopt},
      // Silent runs have no background window, so its group is neither written nor deleted.
      {"TitleSize", std::nullopt},
      {"MonoColor", std::nullopt},
      {"BottomColor", RegValue{"REG_DWORD", "0x5"}},
      {"BitmapSize", std::nullopt},
      {"InstallLocation", RegValue{"REG_SZ", install_dir}},
      {"Comments", RegValue{"REG_SZ", "plain"}},
      {"NoModify", RegValue{"REG_DWORD", "0x1"}},
      {"Removed", std::nullopt},
  };
  for (const Expected& e : expected) EXPECT_EQ(QueryValue(key, e.name, kView32), e.value) << e.name;

  const std::optional<RegValue> session = QueryValue(key, "Session", kView32);
  ASSERT_TRUE(session);
  EXPECT_EQ(session->type, "REG_QWORD");
  EXPECT_NE(session->data, "0x0");
  const std::optional<RegValue> date = QueryValue(key, "InstallDate", kView32);
  ASSERT_TRUE(date);
  EXPECT_EQ(date->data.size(), 8u);
  EXPECT_EQ(date->data.find_first_not_of("0123456789"), std::string::npos) << date->data;
  EXPECT_EQ(QueryValue("HKLM\\Software\\MvE2ECompletion", "Where", kView32), (RegValue{"REG_EXPAND_SZ", "C:\\windows"}));  // variables expanded
  EXPECT_EQ(QueryValue(key, "DisplayName", kView64), std::nullopt) << "only the 32-bit view";

  EXPECT_EQ(ReadAll(installed / "readme1.txt"), (mv::Bytes{0xFF, 0xFE, 'H', 0, 'i', 0}));
  EXPECT_EQ(ReadAll(installed / "readme2.rtf"), rich);
  EXPECT_EQ(ReadAll(installed / "eula.txt"), (mv::Bytes{0xFF, 0xFE, 'O', 0, 'K', 0}));
  EXPECT_TRUE(fs::exists(installed / "reboot.dat"));

  // Without the image option the uninstaller is a copy of the installer.
  EXPECT_EQ(ReadAll(installed / "uninstall.exe"), ReadAll(built.path));

  Process list({(SourceDir() / "scripts" / "wine-exec").string(), "uninstaller", "--list"}, true);
  EXPECT_EQ(list.Wait(60), 0);
  EXPECT_NE(list.output().find("E2E Product"), std::string::npos) << list.output();

  // Installed again over itself (the earlier installation is found), the image option gives an
  // uninstaller without the package: smaller, and still a program.
  // The package's uninstaller icon replaces the runtime's in it.
  p.product_flags2 |= mv::kFlags2UninstallerWithoutSection;
  p.settings.ProductFlags |= mv::kFlagLogEachFile;
  const std::string pattern = "uninstaller icon image of the completion scenario";
  mv::Bytes icon = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0};
  mv::AppendLe32(icon, static_cast<std::uint32_t>(pattern.size()));
  mv::AppendLe32(icon, 22);
  icon.insert(icon.end(), pattern.begin(), pattern.end());
  p.settings.UninstallerIcon = icon;
  const Built image = Build(p, dir / "setup2.exe");
  EXPECT_EQ(RunWindows(image.path, "/silent", 120, dir).code, 0u);
  const mv::Bytes placed = ReadAll(installed / "uninstall.exe");
  ASSERT_GE(placed.size(), 2u);
  EXPECT_EQ(placed[0], 'M');
  EXPECT_LT(placed.size() + 10000, ReadAll(image.path).size());
  EXPECT_NE(std::string(placed.begin(), placed.end()).find(pattern), std::string::npos);
  const std::string log = Text(installed / "Install.log");
  EXPECT_NE(log.find("Uninstaller >>> " + uninstaller + "\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("icon"), std::string::npos) << log;
  EXPECT_EQ(QueryValue(key, "ProductFlags2", kView32), (RegValue{"REG_SZ", std::to_string(p.product_flags2)}));
  Reg({"delete", key, "/f", kView32});
  Reg({"delete", "HKLM\\Software\\MvE2ECompletion", "/f", kView32});
}

// An extra uninstall value of a kind the format does not have is a damaged installer.
TEST(Completion, AnExtraValueOfUnknownKindIsADamagedInstaller) {
  const fs::path dir = ScratchDir("completion-kind");
  mvpack::Project p = SmallProject(dir);
  p.settings.ProductFlags |= mv::kFlagUninstaller;
  p.lists.UninstallRegistryList = {{u"Odd", 3, u"x"}};
  const ExitCode r = RunWindows(Build(p, dir / "setup.exe").path, "/silent", 120, dir);
  EXPECT_EQ(r.code, 2u);
  EXPECT_EQ(QueryValue(kUninstallRoot + Narrow(p.settings.UninstallKeyName), "Odd", kView32), std::nullopt);
  Reg({"delete", kUninstallRoot + Narrow(p.settings.UninstallKeyName), "/f", kView32});
}

// Folders the run leaves empty are removed, also when the shell left its own files in them; a folder
// with anything else stays.
TEST(Completion, EmptyFoldersAreRemovedAtTheEnd) {
  const fs::path dir = ScratchDir("completion-empty");
  mvpack::Project p = SmallProject(dir);
  p.files.clear();
  const Built b = Build(p, dir / "setup.exe");
  const fs::path installed = dir / "installed";
  for (const bool keep : {false, true}) {
    SCOPED_TRACE(keep ? "a file of the user" : "only the shell's files");
    fs::create_directories(installed);
    WriteAll(installed / "Thumbs.db", mv::Bytes{1});
    WriteAll(installed / "desktop.ini", mv::Bytes{2});
    if (keep) WriteAll(installed / "notes.txt", mv::Bytes{3});
    EXPECT_EQ(RunWindows(b.path, "/silent", 120, dir).code, 0u);
    EXPECT_EQ(fs::exists(installed), keep);
    if (keep) EXPECT_TRUE(fs::exists(installed / "desktop.ini"));
  }
}

TEST(Completion, PendingReplacementWithNoRestartExits16AndRestartsNothing) {
  const fs::path dir = ScratchDir("completion-pending");
  mvpack::Project p = SmallProject(dir);
  p.settings.ProductFlags |= 1ull << 11;  // files in use are replaced at the restart
  const fs::path installed = dir / "installed";
  fs::create_directories(installed);
  WriteAll(installed / "readme.txt", mv::Bytes{'o', 'l', 'd'});
  const Built b = Build(p, dir / "setup.exe");
  Process holder({(SourceDir() / "scripts" / "wine-exec").string(), HelperExe("holdfile").string(),
                  WindowsPathUtf8(installed / "readme.txt"), "60"},
                 true);
  ASSERT_TRUE(holder.WaitForOutput("held", 30));
  const fs::path marker = dir / "launched.txt";
  bool restart_seen = false;
  {
    RestartWatch watch;
    const ExitCode r = RunWindows(
        b.path, "/silent /norestart /r:\"cmd /c echo ran>" + WindowsPathUtf8(marker) + "\"", 120, dir);
    EXPECT_EQ(r.code, kRestartPending);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    restart_seen = watch.seen();
  }
  EXPECT_FALSE(restart_seen);
  // A pending replacement suppresses nothing else: the launch on exit still runs.
  EXPECT_TRUE(WaitForFile(marker, 30));
}

TEST(Completion, RunAfterInstallStartsAfterACleanRunOnlyAndTheFolderSwitchHolds) {
  const fs::path dir = ScratchDir("completion-launch");
  mvpack::Project p = SmallProject(dir);
  p.settings.ProductFlags |= mv::kFlagUninstaller;
  p.settings.UninstallerFileName = u"uninstall.exe";
  const Built b = Build(p, dir / "setup.exe");

  // A clean run into the folder of /d: starts the command, in that folder.
  const fs::path elsewhere = dir / "elsewhere";
  const ExitCode r = RunWindows(b.path, "/silent /d:\"" + WindowsPathUtf8(elsewhere) + "\" /r:\"cmd /c cd>launched.txt\"",
                                120, dir);
  EXPECT_EQ(r.code, 0u);
  EXPECT_TRUE(fs::exists(elsewhere / "data.bin"));
  EXPECT_FALSE(fs::exists(dir / "installed"));
  ASSERT_TRUE(WaitForFile(elsewhere / "launched.txt", 30));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_NE(Text(elsewhere / "launched.txt").find(WindowsPathUtf8(elsewhere)), std::string::npos)
      << Text(elsewhere / "launched.txt");
  EXPECT_EQ(QueryValue(kUninstallRoot + Narrow(p.settings.UninstallKeyName), "InstallLocation", kView32),
            (RegValue{"REG_SZ", WindowsPathUtf8(elsewhere)}));
  Reg({"delete", kUninstallRoot + Narrow(p.settings.UninstallKeyName), "/f", kView32});

  // A full disk: 17, and the command is not started.
  const std::string letter = SessionValue("MV_SMALL_DRIVE");
  if (letter.empty()) GTEST_SKIP() << "this machine did not let the Wine session mount its small drive";
  mvpack::Project big = SmallProject(dir / "big");
  big.files.clear();
  fs::create_directories(dir / "big" / "files");
  mv::Bytes noise(1 << 20);
  std::uint32_t x = 7;
  for (auto& byte : noise) byte = static_cast<std::uint8_t>((x = x * 1103515245 + 12345) >> 16);
  WriteAll(dir / "big" / "files" / "big.bin", noise);
  mvpack::ProjectFile f;
  f.source = dir / "big" / "files" / "big.bin";
  f.record.name = "big.bin";
  big.files.push_back(f);
  const std::string target = letter + ":\\launch-" + std::to_string(::getpid());
  const fs::path marker = dir / "not-launched.txt";
  const ExitCode full = RunWindows(Build(big, dir / "big.exe").path,
                                   "/silent /d:" + target + " /r:\"cmd /c echo ran>" + WindowsPathUtf8(marker) + "\"",
                                   120, dir);
  EXPECT_EQ(full.code, kDiskFull);
  EXPECT_FALSE(WaitForFile(marker, 5));
  RunTool("cmd", {"/c", "rd", "/s", "/q", target}, 60);
}

}  // namespace
}  // namespace mve2e
