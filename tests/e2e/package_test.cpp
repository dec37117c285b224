// Installers built by mvpack, run for real: sound ones start and end through the orderly exit;
// damaged ones end with exit code 2 and the same corrupt-installer code that mvpack verify reports.
#include <gtest/gtest.h>

#include "scenario.h"
#include "package/header.h"
#include "package/pe.h"
#include "verify.h"

namespace mve2e {
namespace {

constexpr std::uint32_t kFatal = 0xFFFFFFFF;

TEST(Package, SoundInstallersRunToTheOrderlyExit) {
  fs::path dir = ScratchDir("package-sound");
  mvpack::Project plain = SmallProject(dir);
  mvpack::Project enciphered = plain;
  enciphered.product_flags2 |= mv::kFlags2Blowfish;
  enciphered.settings.ExternalData = 1;
  enciphered.settings.IntegrityCheck = 1;
  mvpack::Project image = plain;
  image.product_flags2 |= mv::kFlags2UninstallerWithoutSection;

  for (auto [name, project] : {std::pair{"plain.exe", plain}, {"enciphered.exe", enciphered}, {"image.exe", image}}) {
    Built b = Build(project, dir / name);
    EXPECT_EQ(mvpack::VerifyInstaller(b.installer.file).kind, mvpack::Verdict::kSound) << name;
    ExitCode r = RunWindows(b.path, "/silent", 60, dir);
    EXPECT_FALSE(r.timed_out) << name;
    EXPECT_EQ(r.code, 0u) << name;
  }
}

TEST(Package, DamagedInstallersExitTwoWithTheCodeVerifyReports) {
  fs::path dir = ScratchDir("package-damaged");
  mvpack::Project project = SmallProject(dir);
  project.settings.IntegrityCheck = 1;
  Built sound = Build(project, dir / "sound.exe");
  const mv::SectionInfo& s = sound.installer.section;
  const mv::PackageHeader& h = sound.installer.header;
  std::size_t section = s.raw_offset;
  std::size_t settings_block = section + h.header_length;
  std::size_t data_block = section + h.SettingsEnd();

  struct Damage {
    const char* name;
    std::size_t offset;
    std::uint8_t mask;
    int code;
  } cases[] = {
      {"settings block", settings_block + static_cast<std::size_t>(h.settings_size) / 2, 0x10, 47},
      {"data block", data_block + static_cast<std::size_t>(h.data_size) / 2, 0x01, 55},
      {"DataSize in the package header", section + 33 + 2, 0x01, 46},
      {"magic", section, 0xFF, 20},
      // Unused header space after the section table: only the file CRC notices.
      {"byte before the section", s.entry_offset + 2 * mv::kSectionEntrySize + 5, 0x5A, 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    mv::Bytes bytes = sound.installer.file;
    bytes.at(c.offset) ^= c.mask;
    mvpack::Verdict v = mvpack::VerifyInstaller(bytes);
    ASSERT_EQ(v.kind, mvpack::Verdict::kCorrupt);
    EXPECT_EQ(v.code, c.code);
    fs::path damaged = dir / "damaged.exe";
    WriteAll(damaged, bytes);
    // In /silent nothing may wait for a person: the run must end by itself.
    ExitCode r = RunWindows(damaged, "/silent", 60, dir);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 2u);
  }
}

TEST(Package, SettingsChecksEndWithTheirCodes) {
  fs::path dir = ScratchDir("package-settings");
  // An enciphered package: SettingsCrc is not the cipher key, so a wrong value reaches the CRC check.
  mvpack::Project enciphered = SmallProject(dir);
  enciphered.product_flags2 |= mv::kFlags2Blowfish;
  Built crc = Build(enciphered, dir / "crc.exe");
  crc.installer.file.at(crc.installer.section.raw_offset + 17) ^= 0x01;  // SettingsCrc
  WriteAll(crc.path, crc.installer.file);

  mvpack::Project slow = SmallProject(dir);
  slow.settings.MinProgressTime = 10000;
  Built progress = Build(slow, dir / "progress.exe");
  mvpack::Project limit = SmallProject(dir);
  limit.settings.MinProgressTime = 9999;
  Built accepted = Build(limit, dir / "accepted.exe");

  struct Case {
    const Built& built;
    int code;
    std::uint32_t exit;
  } cases[] = {{crc, 25, 2}, {progress, 19, 2}, {accepted, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.built.path.filename().string());
    mvpack::Verdict v = mvpack::VerifyInstaller(c.built.installer.file);
    EXPECT_EQ(v.code, c.code);
    ExitCode r = RunWindows(c.built.path, "/silent", 60, dir);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, c.exit);
  }
}

TEST(Package, CorruptInstallerReportShowsTheCodeOutsideSilentMode) {
  fs::path dir = ScratchDir("package-report");
  Built b = Build(SmallProject(dir), dir / "report.exe");
  mv::Bytes bytes = b.installer.file;
  bytes.at(b.installer.section.raw_offset) ^= 0xFF;  // magic: code 20
  WriteAll(b.path, bytes);

  WindowsRun run(b.path, "/a", 60, dir);
  ToolResult list = RunTool(HelperExe("mvui"),
                             {"list", "--title", "Error", "--holding", "Error code: 20", "--timeout", "20000"});
  EXPECT_EQ(list.status, 0) << list.output;
  EXPECT_NE(list.output.find("This installation program is corrupt."), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("Error code: 20"), std::string::npos) << list.output;
  EXPECT_EQ(RunTool(HelperExe("mvui"),
                    {"click", "--title", "Error", "--holding", "Error code: 20", "--id", "1"}).status, 0);
  ExitCode r = run.Wait();
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 2u);
}

TEST(Package, RefusedWithoutAPackageOrWithAnotherFormatVersion) {
  fs::path dir = ScratchDir("package-fatal");
  mvpack::Project newer = SmallProject(dir);
  newer.version = "50.1";
  Built b = Build(newer, dir / "newer.exe");
  mvpack::Verdict v = mvpack::VerifyInstaller(b.installer.file);
  EXPECT_EQ(v.kind, mvpack::Verdict::kFatal);
  EXPECT_NE(v.message.find("(50.1)"), std::string::npos) << v.message;

  struct Case {
    fs::path exe;
    const char* arguments;
    std::uint32_t code;
  } cases[] = {
      {b.path, "/silent", kFatal},
      {RuntimeExe(), "/silent", kFatal},  // no installation data
      {RuntimeExe(), "/silent /bogus", 15},
      {RuntimeExe(), "/silent /u", 15},
      {RuntimeExe(), "/silent /Automatic", 15},
      {RuntimeExe(), "/silent plainword", 15},
  };
  for (const auto& c : cases) {
    ExitCode r = RunWindows(c.exe, c.arguments, 60, dir);
    EXPECT_FALSE(r.timed_out) << c.arguments;
    EXPECT_EQ(r.code, c.code) << c.exe.filename() << " " << c.arguments;
  }
}

TEST(Package, DllsBesideTheInstallerAreNeverLoaded) {
  fs::path dir = ScratchDir("package-plant");
  mvpack::Project project = SmallProject(dir);
  project.settings.IntegrityCheck = 2;  // the signature check loads wintrust.dll
  Built b = Build(project, dir / "setup.exe");
  // Wine prefers its own DLLs; these overrides make it take a DLL from the search path first, as
  // Windows does for any DLL that is not a known system DLL.
  const char* names[] = {"wintrust", "gdiplus", "rasapi32", "msimg32", "comctl32"};
  std::string overrides;
  for (const char* n : names) {
    fs::copy_file(HelperExe("marker").replace_extension(".dll"), dir / (std::string(n) + ".dll"));
    overrides += std::string(overrides.empty() ? "" : ",") + n;
  }
  overrides += "=n,b";
  fs::copy_file(HelperExe("loadlib"), dir / "loadlib.exe");

  // The control: a program that loads by bare name does pick up the planted DLL.
  ExitCode control = RunWindows(dir / "loadlib.exe", "gdiplus.dll", 60, dir, overrides);
  EXPECT_EQ(control.code, 0u);
  ASSERT_TRUE(fs::exists(dir / "gdiplus.dll.loaded")) << "the planted DLL should load in the control";
  fs::remove(dir / "gdiplus.dll.loaded");

  ExitCode r = RunWindows(b.path, "/silent", 60, dir, overrides);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 2u) << "an unsigned installer fails the signature check";
  for (const char* n : names)
    EXPECT_FALSE(fs::exists(dir / (std::string(n) + ".dll.loaded"))) << n << ".dll was loaded from beside the installer";
}

}  // namespace
}  // namespace mve2e
