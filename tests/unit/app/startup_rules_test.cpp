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

TEST(StartupRules, AutomaticDefaultAppliesToTheCommandLinesChoice) {
  struct Case {
    int automatic_default;
    bool automatic, silent;  // as the command line set them: /a gives automatic, /silent both
    bool expected;
  } cases[] = {
      {1, false, false, true},  // the package asks for automatic mode: on without a switch
      {1, true, true, true},
      {2, true, false, false},  // "off unless silent": /a is overruled
      {2, true, true, true},    // ... but /silent is not
      {2, false, false, false},
      {0, true, false, true},   // any other value: the command line decides
      {0, false, false, false},
      {3, true, false, true},
      {255, false, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EffectiveAutomaticMode(c.automatic_default, c.automatic, c.silent), c.expected)
        << c.automatic_default << " " << c.automatic << " " << c.silent;
  }
}

TEST(StartupRules, ProductFlags2Bit10NeedsAServer2003OrVistaAndNoWine) {
  auto os = [](std::uint32_t major, std::uint32_t minor, int product_type, bool wine) {
    OsInfo info;
    info.major = major;
    info.minor = minor;
    info.product_type = product_type;
    if (wine) info.wine_version = "8.0";
    return info;
  };
  constexpr std::uint32_t kAll = 0xFFFFFFFFu, kWithout10 = 0xFFFFFBFFu;
  struct Case {
    OsInfo os;
    std::uint32_t expected;
  } cases[] = {
      {os(5, 1, kProductWorkstation, false), kWithout10},  // XP
      {os(5, 2, kProductWorkstation, false), kWithout10},  // XP x64 reports 5.2 as a workstation
      {os(5, 2, kProductServer, false), kAll},
      {os(5, 2, kProductDomainController, false), kAll},
      {os(6, 0, kProductWorkstation, false), kAll},
      {os(10, 0, kProductWorkstation, false), kAll},
      {os(10, 0, kProductWorkstation, true), kWithout10},  // Wine, whatever it reports
      {os(5, 2, kProductServer, true), kWithout10},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StartupProductFlags2(kAll, c.os), c.expected) << c.os.major << "." << c.os.minor << " " << c.os.product_type;
  }
  EXPECT_EQ(StartupProductFlags2(0x5, os(5, 1, kProductWorkstation, false)), 0x5u) << "other bits untouched";
}

TEST(StartupRules, ApprovalFailsClosedWhenNoStatusCanBeObtained) {
  using V = ApprovalVerdict;
  struct Case {
    std::int32_t blocked, approved, status;
    V expected;
  } cases[] = {
      {0, 0, 0, V::kProceed},
      {0, 200, 0, V::kNotApproved},  // nothing obtained: cannot be approved
      {403, 0, 0, V::kProceed},      // nothing obtained matches no blocking status
      {403, 200, 0, V::kNotApproved},
      {0, 200, 200, V::kProceed},
      {0, 200, 404, V::kNotApproved},
      {403, 200, 403, V::kBlocked},  // blocking is decided first
      {403, 0, 403, V::kBlocked},
      {403, 0, 200, V::kProceed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecideApproval(c.blocked, c.approved, c.status), c.expected) << c.blocked << " " << c.approved << " " << c.status;
  }
}

}  // namespace
}  // namespace mv
