#include "ui/color_text.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(ColorText, ShortAndLongFormsWithOrWithoutHash) {
  struct Case {
    const char16_t* text;
    std::optional<std::uint32_t> colour;  // 0x00BBGGRR
  } cases[] = {
      {u"#abc", 0xCCBBAA},   {u"abc", 0xCCBBAA},       {u"#ABC", 0xCCBBAA},     {u"a0b1c2", 0xC2B1A0},
      {u"#A0b1C2", 0xC2B1A0}, {u"000", 0x000000},       {u"#ffffff", 0xFFFFFF}, {u"#f00", 0x0000FF},
      {u"0000ff", 0xFF0000},
      {u"", std::nullopt},    {u"#", std::nullopt},     {u"ab", std::nullopt},  {u"abcd", std::nullopt},
      {u"#12345", std::nullopt}, {u"1234567", std::nullopt}, {u"ggg", std::nullopt}, {u"##abc", std::nullopt},
      {u" abc", std::nullopt}, {u"abc ", std::nullopt}, {u"0x1234", std::nullopt}, {u"\uff21bc", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseColorText(c.text), c.colour);
}

}  // namespace
}  // namespace mv
