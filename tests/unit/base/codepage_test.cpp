#include "base/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

TEST(CodePage, HighControlRowOf1252) {
  struct Case {
    char byte;
    char16_t ch;
  } cases[] = {
      {'\x80', u'\u20ac'}, {'\x82', u'\u201a'}, {'\x83', u'\u0192'}, {'\x85', u'\u2026'},
      {'\x88', u'\u02c6'}, {'\x8a', u'\u0160'}, {'\x8c', u'\u0152'}, {'\x8e', u'\u017d'},
      {'\x91', u'\u2018'}, {'\x92', u'\u2019'}, {'\x93', u'\u201c'}, {'\x94', u'\u201d'},
      {'\x96', u'\u2013'}, {'\x97', u'\u2014'}, {'\x98', u'\u02dc'}, {'\x99', u'\u2122'},
      {'\x9c', u'\u0153'}, {'\x9e', u'\u017e'}, {'\x9f', u'\u0178'},
      // Unassigned bytes stand for the C1 control of the same value, both ways.
      {'\x81', u'\u0081'}, {'\x8d', u'\u008d'}, {'\x8f', u'\u008f'}, {'\x90', u'\u0090'},
      {'\x9d', u'\u009d'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(c.byte)));
    EXPECT_EQ(Cp1252ToUtf16(std::string(1, c.byte)), std::u16string(1, c.ch));
    EXPECT_EQ(Utf16ToCp1252(std::u16string(1, c.ch)), std::string(1, c.byte));
  }
}

TEST(CodePage, EveryByteRoundTripsAndLatin1RangeIsIdentity) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::u16string wide = Cp1252ToUtf16(all);
  ASSERT_EQ(wide.size(), 256u);
  EXPECT_EQ(Utf16ToCp1252(wide), all);
  for (int b = 0; b < 256; ++b) {
    if (b < 0x80 || b >= 0xA0) {
      EXPECT_EQ(wide[b], static_cast<char16_t>(b)) << b;
    }
  }
}

TEST(CodePage, UnmappedCharactersBecomeQuestionMarks) {
  struct Case {
    std::u16string in;
    std::string out;
  } cases[] = {
      {u"\u0080", "?"},  // the C1 control whose byte is taken by the euro sign
      {u"\u009f", "?"},
      {u"\u0100\u4e2d\uffff", "???"},
      {u"a\U0001F600b", "a?b"},                         // a surrogate pair is one character
      {std::u16string(u"a\xD800" u"b", 3), "a?b"},      // lone high surrogate
      {std::u16string(1, u'\xDC00'), "?"},              // lone low surrogate
      {std::u16string(1, u'\xD800'), "?"},              // high surrogate at the end
      {u"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16ToCp1252(c.in), c.out);
}

TEST(CodePage, NarrowPath) {
  EXPECT_EQ(ToNarrowPath(u""), "");
  EXPECT_EQ(ToNarrowPath(u"C:\\Program Files\\App\x7f"), "C:\\Program Files\\App\x7f");
  // Any character from 128 up switches the whole text to UTF-8, even one that 1252 could hold.
  EXPECT_EQ(ToNarrowPath(u"C:\\Caf\u00e9"), "|C:\\Caf\xC3\xA9");
  EXPECT_EQ(ToNarrowPath(u"\u20ac"), "|\xE2\x82\xAC");
}

TEST(CodePage, WhichCodePagesTakeADefaultCharacter) {
  for (unsigned refuses : {42u, 65000u, 65001u, 54936u, 50220u, 50229u, 57002u, 57011u})
    EXPECT_FALSE(CodePageTakesDefaultChar(refuses)) << refuses;
  for (unsigned takes : {437u, 850u, 932u, 936u, 1250u, 1252u, 1256u, 57001u, 57012u})
    EXPECT_TRUE(CodePageTakesDefaultChar(takes)) << takes;
}

}  // namespace
}  // namespace mv
