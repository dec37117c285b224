#include "base/text.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(Text, Utf8AndUtf16RoundTrip) {
  const std::u16string samples[] = {u"", u"plain", u"Gr\u00fc\u00dfe", u"\u20ac 5", u"\U0001F600 smile"};
  for (const auto& s : samples) EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(s)), s);
  EXPECT_EQ(Utf16ToUtf8(u"\u00e9"), "\xC3\xA9");
}

TEST(Text, InvalidSequencesBecomeReplacementCharacters) {
  struct Case {
    std::string in;
    std::u16string out;
  } cases[] = {
      {"\xC3", u"\uFFFD"},            // truncated at the end
      {"\xC3(", u"\uFFFD("},          // bad continuation byte
      {"\xC0\xAF", u"\uFFFD\uFFFD"},  // overlong form of '/'
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
      {"\xFF", u"\uFFFD"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out);
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(Text, AsciiCaseFoldingLeavesOtherLettersAlone) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase(u"Silent", u"sILENT"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"\u00c4", u"\u00e4"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"a", u"ab"));
}

}  // namespace
}  // namespace mv
