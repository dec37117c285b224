#include "base/version.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

struct VersionCase {
  const char* a;
  const char* b;
  int expected;  // sign of CompareVersions(a, b)
};

const VersionCase kCases[] = {
    {"50.0", "50.0", 0},
    {"50.0", "50.00", 0},          // "00" is the number 0
    {"50.1", "50.0", 1},
    {"1.10", "1.9", 1},            // numeric, not lexical
    {"10", "9", 1},
    {"1.2.1", "1.2", 1},           // a longer list with the same start is newer
    {"1", "1.0", -1},              // ...even when the extra number is 0
    {"007", "7", 0},               // leading zeros
    {"2.0b", "2.0a", 1},
    {"2.0a", "2.0", 1},            // no letter counts as 0
    {"2.0B", "2.0a", -1},          // letters by character code: 'B' < 'a'
    {"1a2", "1.2a", 0},            // a letter ends a digit run and becomes the suffix
    {"1.0ab", "1.0b", 0},          // the last letter wins
    {"3a", "2z", 1},               // numbers decide before letters
    {"", "", 0},
    {"", "0", -1},
    {"abc", "c", 0},               // no numbers at all: only the letter is left
    {".5", "0.5", 0},              // a leading "." stands for 0
    {"..5", "0.5", 0},             // ...only while no number has been read
    {"1..2", "1.2", 0},
    {"1.-2", "1.2", 0},            // other characters are skipped
    {"v 1, 2", "1.2v", 0},
    {"99999999999999999999999", "99999999999999999999998", 1},  // beyond 64 bits
    {"18446744073709551616", "0", 1},
};

TEST(Version, CompareTable) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(Sign(CompareVersions(std::string_view(c.a), std::string_view(c.b))), c.expected);
    EXPECT_EQ(Sign(CompareVersions(std::string_view(c.b), std::string_view(c.a))), -c.expected);
  }
}

TEST(Version, Utf16AgreesWithEightBit) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    const std::u16string a(c.a, c.a + std::char_traits<char>::length(c.a));
    const std::u16string b(c.b, c.b + std::char_traits<char>::length(c.b));
    EXPECT_EQ(Sign(CompareVersions(std::u16string_view(a), std::u16string_view(b))), c.expected);
  }
  // Non-ASCII characters are neither digits nor letters.
  EXPECT_EQ(CompareVersions(std::u16string_view(u"1.0\u00e9"), std::u16string_view(u"1.0")), 0);
  EXPECT_EQ(CompareVersions(std::u16string_view(u"\u0661"), std::u16string_view(u"")), 0);
}

}  // namespace
}  // namespace mv
