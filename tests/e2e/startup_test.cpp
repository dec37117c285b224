// The start-up road after the package is read: the lists and languages, and the checks that may stop
// an installation before the wizard (bitness, excluded Windows, prerequisite product, single instance).
#include <gtest/gtest.h>

#include "lists_fixture.h"
#include "package/lists.h"
#include "package/settings.h"
#include "base/text.h"
#include "package/writer.h"
#include "scenario.h"
#include "verify.h"

namespace mve2e {
namespace {

constexpr std::uint32_t kWrongWindows = 5, kPrerequisite = 7, kAlreadyRunning = 8;

ExitCode RunSilent(const Built& b, const fs::path& dir) { return RunWindows(b.path, "/silent", 60, dir); }

TEST(Startup, EveryListAndTwoLanguagesAreReadToTheEndWord) {
  fs::path dir = ScratchDir("startup-lists");
  mvpack::Project p = SmallProject(dir);
  p.lists = mv::testing::FullLists();
  ASSERT_GE(p.lists.Languages.size(), 2u);
  Built sound = Build(p, dir / "lists.exe");
  EXPECT_EQ(mvpack::VerifyInstaller(sound.installer.file).kind, mvpack::Verdict::kSound);
  ExitCode r = RunSilent(sound, dir);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);

  // The same stream with a wrong end word, packed as it is.
  mv::Bytes stream = mv::WriteSettings(p.settings, p.product_flags2);
  mv::Bytes lists = mv::WriteLists(p.lists);
  stream.insert(stream.end(), lists.begin(), lists.end());
  stream.back() ^= 0x01;
  mv::PackageHeader header;
  mv::BuiltInstaller wrong = mv::BuildInstaller(ReadAll(RuntimeExe()), header, stream, {});
  WriteAll(dir / "endword.exe", wrong.file);
  EXPECT_EQ(mvpack::VerifyInstaller(wrong.file).code, 32);
  ExitCode w = RunWindows(dir / "endword.exe", "/silent", 60, dir);
  EXPECT_FALSE(w.timed_out);
  EXPECT_EQ(w.code, 2u);
}

TEST(Startup, BitnessAndExcludedWindowsVersions) {
  fs::path dir = ScratchDir("startup-windows");
  struct Case {
    const char* name;
    int bitness;
    std::uint32_t excluded;
    std::uint32_t exit;
  } cases[] = {
      {"x64.exe", 1, 0, 0},                  // a 64-bit product on 64-bit Windows
      {"x86only.exe", 2, 0, kWrongWindows},  // a 32-bit-only product refuses 64-bit Windows
      {"anywhere.exe", 0, 0, 0},
      {"excluded.exe", 0, 0xFFFFFFFF, kWrongWindows},  // every Windows bit excluded
  };
  for (const auto& c : cases) {
    mvpack::Project p = SmallProject(dir);
    p.settings.Bitness = static_cast<std::uint8_t>(c.bitness);
    p.settings.ExcludedWindows = c.excluded;
    ExitCode r = RunSilent(Build(p, dir / c.name), dir);
    EXPECT_FALSE(r.timed_out) << c.name;
    EXPECT_EQ(r.code, c.exit) << c.name;
  }
}

TEST(Startup, PrerequisiteProductInEitherRegistryView) {
  fs::path dir = ScratchDir("startup-master");
  const std::string uninstall = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  for (const char* view : {"/reg:64", "/reg:32"}) {
    SCOPED_TRACE(view);
    std::string key = uninstall + "MvMaster" + (view[5] == '6' ? "64" : "32");
    mvpack::Project p = SmallProject(dir);
    p.settings.ProductFlags |= mv::kFlagMasterProduct;
    p.settings.MasterProductKey = mv::Utf8ToUtf16(key.substr(uninstall.size()));
    p.settings.MasterProductName = u"Master Product";
    p.settings.MasterMinVersion = "2.0";
    Built b = Build(p, dir / "needs-master.exe");

    Reg({"delete", key, "/f", view});
    EXPECT_EQ(RunSilent(b, dir).code, kPrerequisite) << "no key at all";
    ASSERT_TRUE(Reg({"add", key, "/v", "DisplayVersion", "/d", "2.1", "/f", view}));
    EXPECT_EQ(RunSilent(b, dir).code, kPrerequisite) << "a key without an uninstall string does not count";
    ASSERT_TRUE(Reg({"add", key, "/v", "UninstallString", "/d", "C:\\master\\uninstall.exe", "/f", view}));
    EXPECT_EQ(RunSilent(b, dir).code, 0u);
    ASSERT_TRUE(Reg({"add", key, "/v", "DisplayVersion", "/d", "1.9", "/f", view}));
    EXPECT_EQ(RunSilent(b, dir).code, kPrerequisite) << "older than MasterMinVersion";
    Reg({"delete", key, "/f", view});
  }
}

TEST(Startup, ASecondInstallerWaitsForNoOne) {
  fs::path dir = ScratchDir("startup-mutex");
  mvpack::Project p = SmallProject(dir);
  p.settings.ProductFlags |= mv::kFlagSingleInstance;
  Built b = Build(p, dir / "single.exe");
  EXPECT_EQ(RunSilent(b, dir).code, 0u) << "alone, it runs";

  // Another process holds the mutex: the installer stops at once with 8.
  Process holder({(SourceDir() / "scripts" / "wine-exec").string(), HelperExe("holdmutex").string(), "Marevault QMS",
                  "60"},
                 true);
  ASSERT_TRUE(holder.WaitForOutput("held", 30));
  ExitCode r = RunSilent(b, dir);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, kAlreadyRunning);
}

// A package that asks for automatic mode gets it without a switch: a failed start-up check then ends
// the run with its code and shows nothing (no box waits for a person).
TEST(Startup, AutomaticDefaultTurnsAutomaticModeOn) {
  fs::path dir = ScratchDir("startup-automatic");
  mvpack::Project p = SmallProject(dir);
  p.settings.AutomaticDefault = 1;
  p.settings.ExcludedWindows = 0xFFFFFFFF;
  ExitCode r = RunWindows(Build(p, dir / "automatic.exe").path, "", 60, dir);
  EXPECT_FALSE(r.timed_out) << "an error box waited for a person";
  EXPECT_EQ(r.code, kWrongWindows);
}

// Without a way to ask the approval address, no status can equal ApprovedStatus: the installation
// is not approved (19). A BlockedStatus alone matches nothing and the installation goes on.
TEST(Startup, ApprovalFailsClosed) {
  fs::path dir = ScratchDir("startup-approval");
  struct Case {
    const char* name;
    std::int32_t blocked, approved;
    std::uint32_t exit;
  } cases[] = {
      {"approved.exe", 0, 200, 19},
      {"both.exe", 403, 200, 19},
      {"blocked.exe", 403, 0, 0},
  };
  for (const auto& c : cases) {
    mvpack::Project p = SmallProject(dir);
    p.settings.ApprovalUrl = "http://approval.invalid/check";
    p.settings.BlockedStatus = c.blocked;
    p.settings.ApprovedStatus = c.approved;
    ExitCode r = RunSilent(Build(p, dir / c.name), dir);
    EXPECT_FALSE(r.timed_out) << c.name;
    EXPECT_EQ(r.code, c.exit) << c.name;
  }
}

}  // namespace
}  // namespace mve2e
