#include "engine/preinstallation_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

TEST(InstallationKind, FromVersionsAndTheCompareOption) {
  struct Case {
    const char* old_version;
    const char* new_version;
    bool compare;
    KindDecision expected;
  } cases[] = {
      {"1.10", "1.9", true, {kKindDowngrade, 6}},  // numbers compare by value: 10 > 9
      {"1.9", "1.10", true, {kKindUpgrade, 5}},
      {"2.0b", "2.0a", true, {kKindDowngrade, 6}},
      {"2.0a", "2.0b", true, {kKindUpgrade, 5}},
      {"3.0", "3.0", true, {kKindReinstall, 4}},
      {"3.0", "3.00", true, {kKindReinstall, 4}},
      {"1.0", "2.0", false, {kKindReinstall, 3}},  // not compared
      {"", "2.0", true, {kKindReinstall, 3}},      // old version unknown
      {"1.0", "", true, {kKindReinstall, 3}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecideInstallationKind(c.old_version, c.new_version, c.compare), c.expected)
        << c.old_version << " -> " << c.new_version << " compare " << c.compare;
}

TEST(ExistingInstallation, ForcedUninstallAndDowngradeBarrier) {
  struct Case {
    ExistingFacts facts;
    std::optional<Refusal> expected;
  } cases[] = {
      {{false, "", "1.0", "2.0", u""}, std::nullopt},
      {{true, "", "1.0", "2.0", u""}, Refusal{9, u"", 9}},        // forced, no minimum
      {{true, "1.5", "1.2", "2.0", u""}, Refusal{9, u"", 9}},     // older than the minimum
      {{true, "1.5", "1.5", "2.0", u""}, std::nullopt},           // at the minimum: may upgrade
      {{true, "1.5", "1.10", "2.0", u""}, std::nullopt},          // 1.10 is newer than 1.5
      {{false, "", "2.1", "1.9", u"2.0"}, Refusal{106, u"2.0", 11}},
      {{false, "", "2.1", "2.0", u"2.0"}, std::nullopt},          // at the barrier
      {{false, "", "2.1", "1.9", u""}, std::nullopt},             // no barrier: a downgrade is allowed
      {{true, "", "2.1", "1.9", u"2.0"}, Refusal{9, u"", 9}},     // the forced uninstall comes first
      {{true, "1.0", "2.1", "1.9", u"2.0"}, Refusal{106, u"2.0", 11}},
  };
  for (const auto& c : cases) {
    const auto got = RefuseOverExisting(c.facts);
    EXPECT_EQ(got, c.expected) << c.facts.old_version << " -> " << c.facts.new_version;
  }
}

TEST(ExistingInstallation, HandOverCommandLineBackquotesOurQuotes) {
  const std::u16string own = u"\"C:\\Down loads\\setup.exe\" /d:\"C:\\My App\" /a";
  EXPECT_EQ(HandOverCommandLine(u"\"C:\\App\\uninstall.exe\"", own, false, false),
            u"\"C:\\App\\uninstall.exe\" /r:\"`C:\\Down loads\\setup.exe` /d:`C:\\My App` /a\"");
  EXPECT_EQ(HandOverCommandLine(u"u.exe", u"setup.exe", true, false), u"u.exe /r:\"setup.exe\" /silent");
  EXPECT_EQ(HandOverCommandLine(u"u.exe", u"setup.exe", false, true), u"u.exe /r:\"setup.exe\" /a");
  EXPECT_EQ(HandOverCommandLine(u"u.exe", u"s", true, true), u"u.exe /r:\"s\" /silent /a");
}

TEST(RegistryFolderSource, HklmAndHkcuOnly) {
  struct Case {
    const char16_t* text;
    std::optional<RegistryFolder> expected;
  } cases[] = {
      {u"HKLM\\Software\\Acme\\Path", RegistryFolder{RegistryRoot::kLocalMachine, u"Software\\Acme", u"Path"}},
      {u"hkcu\\Software\\Acme\\Dir", RegistryFolder{RegistryRoot::kCurrentUser, u"Software\\Acme", u"Dir"}},
      {u"HKCR\\Software\\Acme\\Path", std::nullopt},
      {u"HKLMX\\Software\\Path", std::nullopt},
      {u"HKLM", std::nullopt},
      {u"HKLM\\Path", std::nullopt},             // no key
      {u"HKLM\\Software\\Acme\\", std::nullopt},  // no value name
      {u"C:\\Program Files\\Acme", std::nullopt},
      {u"%ProgramFiles%\\Acme", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(RegistryFolderSource(c.text), c.expected) << std::u16string(c.text).size();
}

TEST(RequiredSpace, RoundsEveryFileToWholeClusters) {
  const std::vector<std::int32_t> thousand_bytes(1000, 1);
  struct Case {
    std::vector<std::int32_t> sizes;
    std::int64_t cluster, extra, uninstaller, expected;
  } cases[] = {
      {thousand_bytes, 4096, 0, 0, 1000LL * 4096},  // 1,000 clusters, not 1,000 bytes
      {thousand_bytes, 0, 0, 0, 1000LL * 4096},     // unknown cluster size: 4096
      {thousand_bytes, -512, 0, 0, 1000LL * 4096},
      {{1, 4096, 4097, 0}, 4096, 100, 50000, 4096 + 4096 + 8192 + 100 + 50000},
      {{1000}, 512, -5, 0, 1024},  // a negative extra space counts as none
      {{0x7FFFFFFF, 0x7FFFFFFF}, 4096, 0, 0, 2 * 0x80000000LL},  // beyond 32 bits
      {{-3}, 4096, 0, 7, 7},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RequiredSpace(c.sizes, c.cluster, c.extra, c.uninstaller), c.expected) << c.sizes.size();
}

TEST(PreparationBatches, ByKindAndPresence) {
  struct Case {
    int kind;
    bool present, same_kind_only;
    PreparationBatches expected;
  } cases[] = {
      {kKindNew, false, false, {false, false}},
      {kKindUpgrade, true, false, {true, true}},
      {kKindUpgrade, true, true, {true, false}},
      {kKindReinstall, true, true, {false, true}},
      {kKindDowngrade, true, true, {false, false}},
      {kKindDowngrade, true, false, {false, true}},
      {kKindReinstall, false, false, {false, false}},  // no folder left: nothing to reinstall over
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChoosePreparationBatches(c.kind, c.present, c.same_kind_only), c.expected) << c.kind << c.present;
}

}  // namespace
}  // namespace mv
