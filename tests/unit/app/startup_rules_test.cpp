#include "app/startup_rules.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(StartupRules, BitnessMismatchNamesTheNeededBitness) {
  EXPECT_EQ(BitnessMismatch(1, false), 64);
  EXPECT_EQ(BitnessMismatch(1, true), 0);
  EXPECT_EQ(BitnessMismatch(2, true), 32);
  EXPECT_EQ(BitnessMismatch(2, false), 0);
  for (int any : {0, 3, 255}) {
    EXPECT_EQ(BitnessMismatch(any, true), 0);
    EXPECT_EQ(BitnessMismatch(any, false), 0);
  }
}

TEST(StartupRules, PrerequisiteVerdicts) {
  PrerequisiteFound located{u"C:\\Program Files\\Master", "2.5"};
  PrerequisiteFound nowhere{u"", "2.5"};
  using V = PrerequisiteVerdict;
  EXPECT_EQ(CheckPrerequisite(std::nullopt, "", false), V::kMissing);
  EXPECT_EQ(CheckPrerequisite(located, "", false), V::kSatisfied);
  EXPECT_EQ(CheckPrerequisite(nowhere, "", false), V::kSatisfied);
  EXPECT_EQ(CheckPrerequisite(nowhere, "", true), V::kMissing) << "<master> needs a location";
  EXPECT_EQ(CheckPrerequisite(located, "2.5", true), V::kSatisfied);
  EXPECT_EQ(CheckPrerequisite(located, "2.10", false), V::kTooOld) << "versions compare by number";
  EXPECT_EQ(CheckPrerequisite(located, "2.4b", false), V::kSatisfied);
}

TEST(StartupRules, RegistryValuePathsAndFolders) {
  RegistryValuePath p = SplitRegistryValuePath(u"HKLM\\Software\\Acme\\InstallPath");
  EXPECT_EQ(p.key, u"HKLM\\Software\\Acme");
  EXPECT_EQ(p.value, u"InstallPath");
  EXPECT_EQ(SplitRegistryValuePath(u"HKLM\\Software\\Acme\\").value, u"");
  EXPECT_EQ(SplitRegistryValuePath(u"NoSlash").key, u"");

  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"C:\\Apps\\Acme\\", u"C:\\Apps\\Acme"},
      {u"  \"C:\\Apps\\Acme\"  ", u"C:\\Apps\\Acme"},
      {u"C:\\", u"C:\\"},
      {u"\\\\server\\share\\", u"\\\\server\\share"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(NormaliseFolder(c.in), c.out);
}

}  // namespace
}  // namespace mv
