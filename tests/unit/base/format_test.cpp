#include "base/format.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(FormatText, ReplacesDirectivesInOrderAndKeepsTheRestLiterally) {
  struct Case {
    std::u16string format;
    std::vector<FormatArg> args;
    std::u16string expected;
  } cases[] = {
      {u"Error code: %d", {47}, u"Error code: 47"},
      {u"%s needs %d-bit Windows", {u"App", 64}, u"App needs 64-bit Windows"},
      {u"100%% done", {}, u"100% done"},
      {u"%d/%02d/%02d", {2026, 3, 7}, u"2026/03/07"},
      {u"code %u", {-1}, u"code 4294967295"},
      {u"%08X", {0xC0000005u}, u"C0000005"},
      // Package texts are not trusted format strings: missing or mismatched arguments stay literal.
      {u"%s %n %p %d %d", {5}, u"%s %n %p 5 %d"},
      {u"trailing %", {}, u"trailing %"},
      {u"%ld items", {3}, u"3 items"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatText(c.format, c.args), c.expected);
}

}  // namespace
}  // namespace mv
