// The preparation before the first file: an earlier installation seeded in the product's Uninstall
// key (32-bit view) decides the installation kind and its batch, refuses a forced uninstall or a
// downgrade below its barrier without writing anything, and a folder named by a registry value must
// exist. Real installers under Wine.
#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "scenario.h"

namespace mve2e {
namespace {

std::string Narrow(const std::u16string& s) { return mv::Utf16ToUtf8(s); }

const std::string kUninstallRoot = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// An earlier installation of `key_name` in `folder`, as its Uninstall key records it.
void SeedEarlierInstallation(const std::string& key_name, const fs::path& folder, const std::string& version,
                             const std::string& barrier = {}) {
  const std::string key = kUninstallRoot + key_name;
  Reg({"delete", key, "/f", "/reg:32"});
  ASSERT_TRUE(Reg({"add", key, "/v", "InstallLocation", "/d", Narrow(WindowsPath(folder)), "/f", "/reg:32"}));
  ASSERT_TRUE(Reg({"add", key, "/v", "DisplayVersion", "/d", version, "/f", "/reg:32"}));
  if (!barrier.empty()) {
    ASSERT_TRUE(Reg({"add", key, "/v", "NoDowngradeBelow", "/d", barrier, "/f", "/reg:32"}));
  }
}

// A product registered for uninstallation under `key_name`, whose batches leave their marks in the
// installation folder: "kind.txt" (the installation kind from the pre-installation batch),
// "upgrade.txt" and "reinstall.txt".
mvpack::Project MarkingProject(const fs::path& dir, const std::string& key_name, const std::string& version) {
  mvpack::Project p = SmallProject(dir);
  p.settings.ProductFlags |= mv::kFlagUninstaller | (1ull << 36) | (1ull << 20);  // compare versions; log
  p.product_flags2 |= 1u << 0;  // the reinstallation batch for reinstallations only
  p.settings.UninstallKeyName = mv::Utf8ToUtf16(key_name);
  p.settings.DisplayVersion = version;
  p.settings.PreInstallBatch = "echo kind=%Existing%.> \"%InstallDir%\\kind.txt\"\r\n";
  p.settings.UpgradeBatch = "echo upgrade> \"%InstallDir%\\upgrade.txt\"\r\n";
  p.settings.ReinstallBatch = "echo reinstall> \"%InstallDir%\\reinstall.txt\"\r\n";
  return p;
}

TEST(Preparation, KindOverAnEarlierInstallationAndItsBatch) {
  struct Case {
    const char* name;
    const char* old_version;
    const char* new_version;
    int kind;  // 1 reinstallation, 2 upgrade, 3 downgrade
  } cases[] = {
      {"up", "1.9", "1.10", 2},     // 1.10 is the newer: numbers compare by value
      {"down", "1.10", "1.9", 3},   // installing 1.9 over 1.10
      {"letter", "2.0b", "2.0a", 3},  // installing 2.0a over 2.0b
      {"same", "3.0", "3.0", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = ScratchDir(std::string("prep-kind-") + c.name);
    const fs::path earlier = dir / "earlier";
    fs::create_directories(earlier);
    const std::string key_name = std::string("MvE2E Prep Kind ") + c.name;
    SeedEarlierInstallation(key_name, earlier, c.old_version);
    mvpack::Project p = MarkingProject(dir, key_name, c.new_version);
    ExitCode r = RunWindows(Build(p, dir / "setup.exe").path, "/a", 90, dir);
    Reg({"delete", kUninstallRoot + key_name, "/f", "/reg:32"});
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 0u);

    // The earlier installation's folder is taken over; the default folder stays unused.
    EXPECT_TRUE(fs::exists(earlier / "data.bin"));
    EXPECT_FALSE(fs::exists(dir / "installed"));
    EXPECT_EQ(Text(earlier / "kind.txt"), "kind=" + std::to_string(c.kind) + ".\r\n");
    EXPECT_EQ(fs::exists(earlier / "upgrade.txt"), c.kind == 2);
    EXPECT_EQ(fs::exists(earlier / "reinstall.txt"), c.kind == 1);
  }
}

TEST(Preparation, RefusalsOverAnEarlierInstallationWriteNothing) {
  struct Case {
    const char* name;
    bool force_uninstall;
    const char* min_upgrade;
    const char* barrier;
    unsigned exit_code;
  } cases[] = {
      {"forced", true, "", "", 9},
      {"forced-below-minimum", true, "2.5", "", 9},
      {"barrier", false, "", "2.0", 11},  // 1.9 below the earlier installation's barrier of 2.0
  };
  for (const Case& c : cases) {
    for (const char* mode : {"/silent", "/a"}) {
      SCOPED_TRACE(std::string(c.name) + " " + mode);
      const fs::path dir = ScratchDir(std::string("prep-refuse-") + c.name + (mode[1] == 's' ? "-s" : "-a"));
      const fs::path earlier = dir / "earlier";
      fs::create_directories(earlier);
      const std::string key_name = std::string("MvE2E Prep Refuse ") + c.name;
      SeedEarlierInstallation(key_name, earlier, "2.1", c.barrier);
      Reg({"add", kUninstallRoot + key_name, "/v", "UninstallString", "/d", "notepad.exe", "/f", "/reg:32"});
      mvpack::Project p = MarkingProject(dir, key_name, "1.9");
      if (c.force_uninstall) p.settings.ProductFlags |= 1ull << 0;
      p.settings.MinUpgradeVersion = c.min_upgrade;
      ExitCode r = RunWindows(Build(p, dir / "setup.exe").path, mode, 90, dir);
      Reg({"delete", kUninstallRoot + key_name, "/f", "/reg:32"});
      ASSERT_FALSE(r.timed_out);
      EXPECT_EQ(r.code, c.exit_code);
      EXPECT_TRUE(fs::is_empty(earlier)) << "nothing written into the earlier installation's folder";
      EXPECT_FALSE(fs::exists(dir / "installed"));
    }
  }
  // At the minimum upgrade version a forced-uninstall package installs over the earlier one.
  const fs::path dir = ScratchDir("prep-refuse-at-minimum");
  const fs::path earlier = dir / "earlier";
  fs::create_directories(earlier);
  SeedEarlierInstallation("MvE2E Prep Minimum", earlier, "2.5");
  mvpack::Project p = MarkingProject(dir, "MvE2E Prep Minimum", "3.0");
  p.settings.ProductFlags |= 1ull << 0;
  p.settings.MinUpgradeVersion = "2.5";
  // Automatic, not silent: a silent run compares no versions.
  ExitCode r = RunWindows(Build(p, dir / "setup.exe").path, "/a", 90, dir);
  Reg({"delete", kUninstallRoot + "MvE2E Prep Minimum", "/f", "/reg:32"});
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  EXPECT_TRUE(fs::exists(earlier / "upgrade.txt"));
}

TEST(Preparation, FolderFromARegistryValue) {
  const std::string key = "HKCU\\Software\\MvE2E Prep Source";
  struct Case {
    const char* name;
    std::optional<std::string> value;  // the folder the value names; none: no value
    bool folder_exists;
    unsigned exit_code;
  } cases[] = {
      {"missing-folder", "target", false, 7},
      {"no-value", std::nullopt, false, 7},
      {"empty-value", "", false, 7},
      {"existing-folder", "target", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = ScratchDir(std::string("prep-source-") + c.name);
    const fs::path target = dir / "target";
    if (c.folder_exists) fs::create_directories(target);
    Reg({"delete", key, "/f"});
    if (c.value) {
      const std::string data = c.value->empty() ? "" : Narrow(WindowsPath(dir / *c.value)) + "\\";
      ASSERT_TRUE(Reg({"add", key, "/v", "Dir", "/d", data, "/f"}));
    }
    mvpack::Project p = SmallProject(dir);
    p.settings.DefaultInstallDir = mv::Utf8ToUtf16(key + "\\Dir");
    p.settings.PreInstallBatch = "echo ran> \"%InstallDir%\\pre.txt\"\r\n";
    ExitCode r = RunWindows(Build(p, dir / "setup.exe").path, "/silent", 90, dir);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, c.exit_code);
    EXPECT_EQ(fs::exists(target), c.folder_exists) << "a missing folder is not created";
    EXPECT_EQ(fs::exists(target / "data.bin"), c.exit_code == 0);
    EXPECT_EQ(fs::exists(target / "pre.txt"), c.exit_code == 0);
  }
  Reg({"delete", key, "/f"});
}

TEST(Preparation, SecurityRestorePointAndFoldersAreLogged) {
  const fs::path dir = ScratchDir("prep-machine");
  const fs::path product = dir / "installed";
  mvpack::Project p = SmallProject(dir);
  p.settings.ProductFlags |= mv::kFlagUninstaller | (1ull << 20) | (1ull << 50);  // log; loosen security
  p.settings.UninstallKeyName = u"MvE2E Prep Machine";
  p.settings.UninstallSubdir = u"uninstall";
  p.product_flags2 |= 1u << 1;  // a restore point
  ExitCode r = RunWindows(Build(p, dir / "setup.exe").path, "/silent", 90, dir);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u) << "the restore point's failure does not end the run";
  EXPECT_TRUE(fs::is_directory(product / "uninstall"));
  const std::string log = Text(product / "uninstall" / "Install.log");
  const std::string folder = WindowsPathUtf8(product);
  EXPECT_NE(log.find("Loosening security on directory \"" + folder + "\"...OK\r\n"), std::string::npos) << log;
  // Wine's System Restore is a stub that fails: the failure is logged and the installation goes on.
  const std::size_t failed = log.find("Creating restore point...FAILED\r\n");
  ASSERT_NE(failed, std::string::npos) << log;
  const std::string reason = log.substr(failed + 33, log.find("\r\n\r\n", failed) - failed - 33);
  EXPECT_TRUE(reason.starts_with("Failed, code ") || reason == "System Restore is not present." ||
              reason == "SRSetRestorePointW is not present." || reason == "System Restore is turned off.")
      << reason;
  EXPECT_TRUE(fs::exists(product / "data.bin"));
}

}  // namespace
}  // namespace mve2e
