// Install.log written by real installers: a damaged package found while the installation actions
// run is explained in the log even with the logging setting off; one found before them, or a sound
// run without logging, leaves no log.
#include <gtest/gtest.h>

#include <string>

#include "scenario.h"

namespace mve2e {
namespace {

TEST(Records, DamagedFileDataIsExplainedInInstallLog) {
  const fs::path dir = ScratchDir("records-damaged");
  const fs::path product = dir / "product";
  const fs::path log = product / "logs" / "Install.log";
  mvpack::Project project = SmallProject(dir);
  project.settings.DefaultInstallDir = WindowsPath(product);
  project.settings.UninstallSubdir = u"logs";
  ASSERT_EQ(project.settings.ProductFlags & (1ull << 20), 0u) << "the logging setting is off";
  const Built sound = Build(project, dir / "sound.exe");

  // A sound run without logging writes nothing (the folders exist, as they will after the
  // preparation steps).
  fs::create_directories(product / "logs");
  ExitCode r = RunWindows(sound.path, "/silent", 60, dir);
  EXPECT_EQ(r.code, 0u);
  EXPECT_FALSE(fs::exists(log));

  struct Damage {
    const char* name;
    std::size_t offset;
    int code;
    bool logged;
  } cases[] = {
      {"settings block", sound.installer.section.raw_offset + sound.installer.header.header_length +
                             static_cast<std::size_t>(sound.installer.header.settings_size) / 2,
       47, false},
      {"file data", sound.installer.section.raw_offset + sound.installer.header.SettingsEnd() +
                        static_cast<std::size_t>(sound.installer.header.data_size) / 2,
       55, true},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(log);
    mv::Bytes bytes = sound.installer.file;
    bytes.at(c.offset) ^= 0x10;
    const fs::path damaged = dir / "damaged.exe";
    WriteAll(damaged, bytes);
    r = RunWindows(damaged, "/silent", 60, dir);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 2u);
    ASSERT_EQ(fs::exists(log), c.logged);
    if (!c.logged) continue;

    const std::string text = Text(log);
    const std::string report = "This installation program is corrupt.";
    const std::string code = "Error code: " + std::to_string(c.code);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBFInstallation log for: E2E Product\r\n", 0), 0u) << text;
    // The report is the working log's last line and the failure summary.
    const std::size_t summary = text.find("\r\n*** FAILURE SUMMARY ***\r\n" + report);
    ASSERT_NE(summary, std::string::npos) << text;
    EXPECT_NE(text.rfind(code + "\r\n", summary), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with(code + "\r\n\r\n")) << text;
  }
}

// The package's conditional deletions run when the file pass begins: matching files go, files of the
// uninstall phase stay, each deletion is logged; a comparison the runtime cannot read stops the run
// as a damaged package (code 65).
TEST(Records, ConditionalDeletionsRunAndAreLogged) {
  const fs::path dir = ScratchDir("records-deletions");
  const fs::path product = dir / "product";
  fs::create_directories(product / "logs");
  for (const char* name : {"a.tmp", "b.tmp", "keep.txt", "small.dat"}) WriteAll(product / name, mv::Bytes(5, 'x'));
  WriteAll(product / "large.dat", mv::Bytes(5000, 'x'));
  mvpack::Project project = SmallProject(dir);
  project.settings.DefaultInstallDir = WindowsPath(product);
  project.settings.UninstallSubdir = u"logs";
  project.settings.ProductFlags |= 1ull << 20;  // log every run
  project.lists.DeletionList = {
      {"*.tmp", 5, "0", mv::kDeleteWhenInstalling},
      {"keep.txt", 0, "", mv::kDeleteAtUninstall},
      {"*.dat", 5, "4096", mv::kDeleteWhenInstalling},
  };
  const Built built = Build(project, dir / "deletions.exe");
  ExitCode r = RunWindows(built.path, "/silent", 60, dir);
  EXPECT_EQ(r.code, 0u);
  EXPECT_FALSE(fs::exists(product / "a.tmp"));
  EXPECT_FALSE(fs::exists(product / "b.tmp"));
  EXPECT_FALSE(fs::exists(product / "large.dat"));
  EXPECT_TRUE(fs::exists(product / "keep.txt"));
  EXPECT_TRUE(fs::exists(product / "small.dat"));
  const std::string log = Text(product / "logs" / "Install.log");
  std::string large;
  for (char16_t c : WindowsPath(product / "large.dat")) large += static_cast<char>(c);
  EXPECT_NE(log.find("Deleted file: " + large + "\r\n"), std::string::npos) << log;

  project.lists.DeletionList = {{"*.tmp", 1, "2026/13/01", mv::kDeleteWhenInstalling}};
  WriteAll(product / "c.tmp", mv::Bytes(1, 'x'));
  const Built damaged = Build(project, dir / "damaged.exe");
  r = RunWindows(damaged.path, "/silent", 60, dir);
  EXPECT_EQ(r.code, 2u);
  EXPECT_TRUE(fs::exists(product / "c.tmp"));
  EXPECT_NE(Text(product / "logs" / "Install.log").find("Error code: 65\r\n"), std::string::npos);
}

}  // namespace
}  // namespace mve2e
