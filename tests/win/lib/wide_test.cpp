// Conversions into 8-bit code pages through the system.
#include "lib/wide_win.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

// The /b1: to /b3: batch texts are converted this way: on a system whose ANSI code page is UTF-8 a
// conversion that asks for a default character fails, and the text vanished.
TEST(ToCodePage, EveryCodePageGivesText) {
  EXPECT_EQ(ToCodePage(CP_UTF8, u"caf\u00E9 \u20AC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(ToCodePage(1252, u"caf\u00E9 \u4E2D"), "caf\xE9 ?");  // what 1252 cannot hold is "?"
  EXPECT_EQ(ToCodePage(1252, u"\u0141"), "?");                  // no best fit: not "L"
  EXPECT_EQ(ToCodePage(CP_UTF8, u""), "");
  EXPECT_EQ(ToCodePage(CP_ACP, u"plain"), "plain");
}

}  // namespace
}  // namespace mv
