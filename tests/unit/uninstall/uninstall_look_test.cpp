#include "uninstall/uninstall_look.h"

#include <gtest/gtest.h>

#include <map>
#include <variant>

#include "base/real_text.h"
#include "base/text.h"
#include "engine/completion_rules.h"
#include "ui/color_text.h"
#include "uninstall/uninstall_rules.h"

namespace mv {
namespace {

// A product key in memory: texts and DWORD numbers by name.
class FakeKey {
 public:
  void Set(std::u16string name, std::u16string text) { values_[std::move(name)] = std::move(text); }
  void Set(std::u16string name, std::uint32_t number) { values_[std::move(name)] = number; }
  // The key as the installation leaves it: the values it writes, the deleted ones missing.
  static FakeKey Written(const std::vector<UninstallValue>& values) {
    FakeKey key;
    for (const UninstallValue& v : values) {
      switch (v.form) {
        case UninstallValueForm::kText: key.Set(v.name, v.text); break;
        case UninstallValueForm::kText8: key.Set(v.name, Utf8ToUtf16(v.text8)); break;
        case UninstallValueForm::kNumber: key.Set(v.name, static_cast<std::uint32_t>(v.number)); break;
        case UninstallValueForm::kQword:
        case UninstallValueForm::kDelete: key.values_.erase(v.name); break;
      }
    }
    return key;
  }
  ProductKeyReader Reader() const {
    return {[this](std::u16string_view name) -> std::optional<std::u16string> {
              const auto* text = Find<std::u16string>(name);
              return text ? std::optional(*text) : std::nullopt;
            },
            [this](std::u16string_view name) -> std::optional<std::uint32_t> {
              if (const auto* number = Find<std::uint32_t>(name)) return *number;
              if (const auto* text = Find<std::u16string>(name)) return static_cast<std::uint32_t>(ParseProductFlags(*text));
              return std::nullopt;
            }};
  }

 private:
  template <typename T>
  const T* Find(std::u16string_view name) const {
    const auto it = values_.find(std::u16string(name));
    return it == values_.end() ? nullptr : std::get_if<T>(&it->second);
  }
  std::map<std::u16string, std::variant<std::u16string, std::uint32_t>> values_;
};

constexpr LookSystemColours kSystem{0x00102030, 0x00E0E0E0};

Settings ReadBack(const FakeKey& key, std::uint64_t flags, std::uint32_t flags2, Settings s = {}) {
  s.ProductFlags = flags;
  ReadUninstallLook(key.Reader(), kSystem, flags2, s);
  return s;
}

TEST(UninstallLook, ReadsBackWhatTheInstallationWrites) {
  Settings s;
  s.ProductFlags = kFlagDialogColours | kFlagBackgroundPicture;
  s.BackgroundBitmap = {'B', 'M'};
  s.DisplayName = u"Prod";
  s.UninstallKeyName = u"Prod";
  s.DialogFont = u"Tahoma,9";
  s.DisplayTitle = u"Prod \u00e9 Title";
  s.TitleFont = u"Georgia";
  s.CopyrightText = u"(c) Maker";
  s.CopyrightFont = u"Arial";
  s.TitleSize = 1.75;
  s.TitleColor = 0x00ABCDEF;
  s.TitleShadow = 0;
  s.TopColor = 0x00800000;
  s.BottomColor = 0x00000080;
  s.TitlePosition = 2;
  s.CopyrightPos = 3;
  s.TaskbarText = u"Prod Setup";
  s.CopyrightSize = 0.3;
  s.CopyrightColor = 0x00112233;
  s.BannerFG = 0x00445566;
  s.ProgressStyle = 1;
  s.DialogBG = 0x00C0FFEE;
  s.DialogFG = 0x00010203;
  s.ButtonBG = 0x00A0A0A0;
  s.ButtonFG = 0x000000FF;
  s.ButtonBorder = 0x0000FF00;
  s.DialogZoom = 120;
  s.BitmapTPI = 5;
  s.StretchMode = 2;
  s.BitmapSize = 40;
  const FakeKey key = FakeKey::Written(UninstallValues(s, kFlags2ButtonColours, {}));

  const Settings r = ReadBack(key, s.ProductFlags, kFlags2ButtonColours);
  EXPECT_EQ(r.ProductFlags, s.ProductFlags);  // both dialog colours parse: bit 4 stays
  EXPECT_EQ(r.DialogFont, s.DialogFont);
  EXPECT_EQ(r.DisplayTitle, s.DisplayTitle);
  EXPECT_EQ(r.TitleFont, s.TitleFont);
  EXPECT_EQ(r.CopyrightText, s.CopyrightText);
  EXPECT_EQ(r.CopyrightFont, s.CopyrightFont);
  EXPECT_EQ(r.TitleSize, s.TitleSize);
  EXPECT_EQ(r.TitleColor, s.TitleColor);
  EXPECT_EQ(r.TitleShadow, s.TitleShadow);
  EXPECT_EQ(r.TopColor, s.TopColor);
  EXPECT_EQ(r.BottomColor, s.BottomColor);
  EXPECT_EQ(r.TitlePosition, s.TitlePosition);
  EXPECT_EQ(r.CopyrightPos, s.CopyrightPos);
  EXPECT_EQ(r.TaskbarText, s.TaskbarText);
  EXPECT_EQ(r.CopyrightSize, s.CopyrightSize);
  EXPECT_EQ(r.CopyrightColor, s.CopyrightColor);
  EXPECT_EQ(r.BannerFG, s.BannerFG);
  EXPECT_EQ(r.ProgressStyle, s.ProgressStyle);
  EXPECT_EQ(r.DialogBG, s.DialogBG);
  EXPECT_EQ(r.DialogFG, s.DialogFG);
  EXPECT_EQ(r.ButtonBG, s.ButtonBG);
  EXPECT_EQ(r.ButtonFG, s.ButtonFG);
  EXPECT_EQ(r.ButtonBorder, s.ButtonBorder);
  EXPECT_EQ(r.DialogZoom, s.DialogZoom);
  EXPECT_EQ(r.BitmapTPI, s.BitmapTPI);
  EXPECT_EQ(r.StretchMode, s.StretchMode);
  EXPECT_EQ(r.BitmapSize, s.BitmapSize);

  // One colour: BottomColor is not written and reads as the top colour.
  s.BottomColor = s.TopColor;
  const Settings mono = ReadBack(FakeKey::Written(UninstallValues(s, 0, {})), s.ProductFlags, 0);
  EXPECT_EQ(mono.BottomColor, s.TopColor);
  EXPECT_EQ(mono.ButtonBG, 0u);  // not read without ProductFlags2 bit 25
}

TEST(UninstallLook, DefaultsOfMissingValues) {
  Settings before;
  before.ButtonBG = 7;
  const Settings r =
      ReadBack(FakeKey{}, kFlagDialogColours | kFlagBackgroundPicture, kFlags2ButtonColours, before);
  EXPECT_EQ(r.ProductFlags, kFlagBackgroundPicture);  // no dialog colours: bit 4 cleared
  EXPECT_EQ(r.DialogFont, u"");
  EXPECT_EQ(r.DisplayTitle, u"");
  EXPECT_EQ(r.TaskbarText, u"Setup");
  EXPECT_EQ(r.TitleSize, 1.0);
  EXPECT_EQ(r.CopyrightSize, 0.0);
  EXPECT_EQ(r.TitleColor, kSystem.window_text);
  EXPECT_EQ(r.TopColor, kSystem.window);
  EXPECT_EQ(r.BottomColor, kSystem.window);  // MonoColor defaults to 1
  EXPECT_EQ(r.TitleShadow, 1);
  EXPECT_EQ(r.TitlePosition, 0);
  EXPECT_EQ(r.CopyrightPos, 0);
  EXPECT_EQ(r.ProgressStyle, 2);
  EXPECT_EQ(r.CopyrightColor, 0u);
  EXPECT_EQ(r.BannerFG, 0u);
  EXPECT_EQ(r.ButtonBG, 0u);
  EXPECT_EQ(r.DialogZoom, 100);
  EXPECT_EQ(r.BitmapTPI, -1);
  EXPECT_EQ(r.StretchMode, 0);
  EXPECT_EQ(r.BitmapSize, 0);

  // Without bit 15 the picture's values are not read at all.
  FakeKey key;
  key.Set(u"BitmapSize", 30u);
  key.Set(u"MonoColor", 0u);
  key.Set(u"BottomColor", 0x55u);
  const Settings plain = ReadBack(key, 0, 0);
  EXPECT_EQ(plain.BitmapSize, 0);
  EXPECT_EQ(plain.BitmapTPI, 0);
  EXPECT_EQ(plain.BottomColor, 0x55u);  // two colours
}

TEST(UninstallLook, DialogColoursNeedBothColours) {
  constexpr std::uint32_t kUnset = 0x00ABCDEF;
  struct Case {
    const char16_t* background;  // nullptr: missing
    const char16_t* foreground;
    bool bit4;
    bool bit4_after;
    std::uint32_t dialog_bg, dialog_fg;
  } cases[] = {
      {u"112233", u"445566", true, true, 0x332211, 0x665544},
      {u"#112233", u"#445566", true, true, 0x332211, 0x665544},
      {u"112233", nullptr, true, false, 0xFFFFFFFF, kUnset},  // no text colour: no background colour
      {u"112233", u"zz", true, false, 0xFFFFFFFF, kUnset},
      {nullptr, u"445566", true, false, kUnset, kUnset},
      {u"1122", u"445566", true, false, kUnset, kUnset},
      {u"112233", u"445566", false, false, kUnset, kUnset},  // not read without bit 4
  };
  for (const Case& c : cases) {
    FakeKey key;
    if (c.background) key.Set(u"DialogBG", c.background);
    if (c.foreground) key.Set(u"DialogFG", c.foreground);
    Settings before;
    before.DialogBG = before.DialogFG = kUnset;
    const Settings r = ReadBack(key, c.bit4 ? kFlagDialogColours | 1 : 1, 0, before);
    const std::string label = Utf16ToUtf8(c.background ? c.background : u"-") + "/" +
                              Utf16ToUtf8(c.foreground ? c.foreground : u"-") + (c.bit4 ? " bit4" : "");
    EXPECT_EQ((r.ProductFlags & kFlagDialogColours) != 0, c.bit4_after) << label;
    EXPECT_EQ(r.ProductFlags & 1, 1u) << label;  // other bits untouched
    EXPECT_EQ(r.DialogBG, c.dialog_bg) << label;
    EXPECT_EQ(r.DialogFG, c.dialog_fg) << label;
  }
}

TEST(UninstallLook, DialogZoomIsClamped) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {-5, 100}, {0, 100}, {1, 50}, {49, 50}, {50, 50}, {100, 100}, {150, 150}, {151, 150}, {100000, 150}};
  for (const auto& [written, used] : cases) {
    FakeKey key;
    key.Set(u"DialogZoom", static_cast<std::uint32_t>(written));
    EXPECT_EQ(ReadBack(key, 0, 0).DialogZoom, used) << written;
  }
}

TEST(UninstallLook, ColourAndRealTexts) {
  const std::pair<const char16_t*, std::optional<std::uint32_t>> colours[] = {
      {u"0C0B0A", 0x000A0B0C}, {u"#0C0B0A", 0x000A0B0C}, {u"ff8000", 0x000080FF}, {u"000000", 0u},
      {u"", std::nullopt},     {u"#", std::nullopt},     {u"0C0B0", std::nullopt}, {u"0C0B0A0", std::nullopt},
      {u"GG0000", std::nullopt}, {u"##0C0B0A", std::nullopt}, {u" 0C0B0A", std::nullopt},
  };
  for (const auto& [text, colour] : colours) EXPECT_EQ(ParseColorText(text), colour) << Utf16ToUtf8(text);
  for (std::uint32_t colour : {0x00000000u, 0x00FFFFFFu, 0x00123456u, 0x00ABCDEFu})
    EXPECT_EQ(ParseColorText(Utf8ToUtf16(ColourText(colour))), colour);

  const std::pair<const char16_t*, std::optional<double>> reals[] = {
      {u"12", 12.0}, {u"0.1", 0.1}, {u"1.75", 1.75}, {u"-2.5", -2.5},
      {u"", std::nullopt}, {u"1.5x", std::nullopt}, {u"abc", std::nullopt}, {u" 1", std::nullopt},
  };
  for (const auto& [text, real] : reals) EXPECT_EQ(ParseRealText(text), real) << Utf16ToUtf8(text);
  for (double real : {0.0, 1.0, 0.3, 1.0 / 3.0, 123456.789, 1e-7})
    EXPECT_EQ(ParseRealText(Utf8ToUtf16(RealText(real))), real);
}

}  // namespace
}  // namespace mv
