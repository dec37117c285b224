#include "lib/temp_name.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace mv {
namespace {

TEST(TempName, GeneratorFollowsXorshiftFromItsState) {
  // From state 1, worked by hand: x ^= x >> 12 leaves 1; x ^= x << 25 gives 2^25 + 1; x >> 27 is 0.
  // The digits are the low 16 bits of 56605 * (2^25 + 1), i.e. 56605 = 0xDD1D. The second state is
  // 2^50 + 2^38 + 2^23 + 2^13 + 2^11 + 1, whose low 16 bits 0x2801 times 56605 end in 0x651D.
  TempNameGenerator g(1);
  EXPECT_EQ(g.NextDigits(), 0xDD1D);
  EXPECT_EQ(g.state(), 0x2000001u);
  EXPECT_EQ(g.NextDigits(), 0x651D);
  EXPECT_EQ(g.state(), 0x4004000802801u);
  EXPECT_EQ(g.NextState(), 0xD004003202803u);

  // The process starts from a fixed state, so the names of a run can be foretold.
  TempNameGenerator fixed;
  const std::uint16_t expected[] = {0x1E59, 0x4A5A, 0xF79B, 0xA98F, 0x9069};
  for (std::uint16_t digits : expected) EXPECT_EQ(fixed.NextDigits(), digits);

  // Zero is a fixed point of xorshift; it starts from the fixed state instead.
  TempNameGenerator zero(0);
  EXPECT_EQ(zero.state(), TempNameGenerator::kStartState);
  EXPECT_EQ(zero.NextDigits(), 0x1E59);
}

TEST(TempName, NameIsPrefixFourUpperCaseHexDigitsAndExtension) {
  struct Case {
    std::uint16_t digits;
    const char16_t* extension;
    const char16_t* expected;
  } cases[] = {
      {0x0000, u"tmp", u"VQT0000.tmp"},   // zero-padded to four digits
      {0x00AB, u".log", u"VQT00AB.log"},  // a leading "." is not doubled
      {0xBEEF, u"Dat", u"VQTBEEF.Dat"},   // upper-case digits, extension as given
      {0x1F, u"..x", u"VQT001F..x"},      // only one leading "." is dropped
      {0xFFFF, u"exe", u"VQTFFFF.exe"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.digits);
    EXPECT_EQ(TempFileName(c.digits, c.extension), c.expected);
  }
}

TEST(TempName, JoinsFolderAndNameWithOneSeparator) {
  EXPECT_EQ(JoinTempPath(u"C:\\dir", u"VQT0001.tmp"), u"C:\\dir\\VQT0001.tmp");
  EXPECT_EQ(JoinTempPath(u"C:\\dir\\", u"VQT0001.tmp"), u"C:\\dir\\VQT0001.tmp");
  EXPECT_EQ(JoinTempPath(u"C:/dir/", u"VQT0001.tmp"), u"C:/dir/VQT0001.tmp");
  EXPECT_EQ(JoinTempPath(u"", u"VQT0001.tmp"), u"VQT0001.tmp");
}

TEST(TempName, FolderChangesAtAttempts200And300) {
  const struct {
    int attempt;
    TempNameFolder folder;
  } cases[] = {
      {0, TempNameFolder::kAsked},      {199, TempNameFolder::kAsked},    {200, TempNameFolder::kUserTemp},
      {299, TempNameFolder::kUserTemp}, {300, TempNameFolder::kRootTemp}, {399, TempNameFolder::kRootTemp},
  };
  for (const auto& c : cases) EXPECT_EQ(TempFolderForAttempt(c.attempt), c.folder) << c.attempt;
}

// Runs the loop the way MakeTempName does, with `outcome` deciding each attempt's result, and
// returns how many attempts were made.
template <typename Outcome>
int CountAttempts(TempNameAttempts& attempts, Outcome outcome) {
  while (attempts.More()) attempts.Record(outcome(attempts.attempt()));
  return attempts.attempt();
}

TEST(TempName, AttemptsEndAtFirstSuccessOrAfter400) {
  for (bool give_up_on_denials : {false, true}) {
    SCOPED_TRACE(give_up_on_denials);
    TempNameAttempts taken(give_up_on_denials);
    EXPECT_EQ(CountAttempts(taken, [](int n) { return n < 250 ? TempCreateResult::kExists : TempCreateResult::kCreated; }), 251);

    TempNameAttempts full(give_up_on_denials);
    EXPECT_EQ(CountAttempts(full, [](int) { return TempCreateResult::kOtherError; }), kTempNameAttempts);
  }
}

TEST(TempName, TwentyDenialsInARowEndTheExtensionlessFallbackOnly) {
  // With an extension, denials are just failed names.
  TempNameAttempts with_extension(false);
  EXPECT_EQ(CountAttempts(with_extension, [](int) { return TempCreateResult::kAccessDenied; }), kTempNameAttempts);

  TempNameAttempts denied(true);
  EXPECT_EQ(CountAttempts(denied, [](int) { return TempCreateResult::kAccessDenied; }), 20);

  // Any other outcome breaks the run of denials: 19 denied, one existing name, 19 denied, ...
  TempNameAttempts interrupted(true);
  EXPECT_EQ(CountAttempts(interrupted,
                [](int n) { return n % 20 == 19 ? TempCreateResult::kExists : TempCreateResult::kAccessDenied; }),
            kTempNameAttempts);

  // The 20 need not start at the first attempt.
  TempNameAttempts late(true);
  EXPECT_EQ(CountAttempts(late, [](int n) { return n < 5 ? TempCreateResult::kOtherError : TempCreateResult::kAccessDenied; }),
            25);
}

}  // namespace
}  // namespace mv
