#include "ui/message_box.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace mv {
namespace {

using Buttons = std::vector<MessageButton>;

std::vector<int> Results(const Buttons& b) {
  std::vector<int> r;
  for (const auto& x : b) r.push_back(x.result);
  return r;
}
std::vector<std::u16string> Labels(const Buttons& b) {
  std::vector<std::u16string> r;
  for (const auto& x : b) r.push_back(x.label);
  return r;
}

TEST(MessageBoxButtons, StandardSetsCustomButtonsHelpAndDefault) {
  const Buttons custom{{u"Install", 100}, {u"Later", 101}};
  struct Case {
    const char* what;
    std::uint32_t style;
    Buttons custom;
    std::vector<int> results;
    std::size_t default_index;
  } cases[] = {
      {"OK", 0x0, {}, {1}, 0},
      {"OK/Cancel", 0x1, {}, {1, 2}, 0},
      {"Abort/Retry/Ignore", 0x2, {}, {3, 4, 5}, 0},
      {"Yes/No/Cancel", 0x3, {}, {6, 7, 2}, 0},
      {"Yes/No/Cancel with both to-all", 0x3 | kBoxYesToAll | kBoxNoToAll, {}, {6, 19, 7, 20, 2}, 0},
      {"Yes/No with both to-all", 0x4 | kBoxYesToAll | kBoxNoToAll, {}, {6, 19, 7, 20}, 0},
      {"Yes/No with yes to all only", 0x4 | kBoxYesToAll, {}, {6, 19, 7}, 0},
      {"Retry/Cancel", 0x5, {}, {4, 2}, 0},
      {"Cancel/Retry/Continue", 0x6, {}, {2, 10, 11}, 0},
      {"Continue/Abort", 0x7, {}, {11, 3}, 0},
      {"a set the system does not define", 0x9, {}, {1}, 0},
      {"custom with style 0: only them", 0x0, custom, {100, 101}, 0},
      {"custom replace a named set", 0x3, custom, {100, 101}, 0},
      {"help after the standard set", 0x1 | kBoxHelp, {}, {1, 2, 3}, 0},
      {"help above the highest custom result", kBoxHelp, {{u"A", 50}, {u"B", 7}}, {50, 7, 51}, 0},
      {"default third", 0x3 | 0x200, {}, {6, 7, 2}, 2},
      {"default second", 0x4 | 0x100, {}, {6, 7}, 1},
      {"default beyond the buttons: first", 0x1 | 0x300, {}, {1, 2}, 0},
      {"default bits 6 and above: first", 0x2 | 0x600, {}, {3, 4, 5}, 0},
      {"default sixth", 0x3 | kBoxYesToAll | kBoxNoToAll | kBoxHelp | 0x500, {}, {6, 19, 7, 20, 2, 21}, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const BoxButtons b = MakeBoxButtons(c.style, c.custom);
    EXPECT_EQ(Results(b.buttons), c.results);
    EXPECT_EQ(b.default_index, c.default_index);
    EXPECT_EQ((b.style & kBoxFewButtons) != 0, c.results.size() < 2);
    EXPECT_EQ(b.help_index.has_value(), (c.style & kBoxHelp) != 0);
    if (b.help_index) {
      EXPECT_EQ(*b.help_index, b.buttons.size() - 1);
    }
  }
}

TEST(MessageBoxButtons, LabelsOfTheToAllSet) {
  const BoxButtons b = MakeBoxButtons(0x4 | kBoxYesToAll | kBoxNoToAll, {});
  EXPECT_EQ(Labels(b.buttons), (std::vector<std::u16string>{u"&Yes", u"Yes to all", u"&No", u"No to all"}));
  // The flag is the box's own: a caller's stale bit goes when two buttons exist.
  EXPECT_EQ(MakeBoxButtons(0x1 | kBoxFewButtons, {}).style & kBoxFewButtons, 0u);
}

TEST(MessageBoxIcon, FromTheIconBits) {
  const std::map<std::uint32_t, BoxIcon> cases{{0x00, BoxIcon::kNone},        {0x10, BoxIcon::kError},
                                               {0x20, BoxIcon::kQuestion},    {0x30, BoxIcon::kWarning},
                                               {0x40, BoxIcon::kInformation}, {0x50, BoxIcon::kNone},
                                               {0x14, BoxIcon::kError}};
  for (const auto& [style, icon] : cases) EXPECT_EQ(IconOfStyle(style), icon) << std::hex << style;
}

TEST(MessageBoxColors, ValuesAboveWhiteTakeTheSystemColours) {
  const SystemColors system{0x111111, 0x222222, 0x333333};
  EXPECT_EQ(ResolveBoxColors({}, system), (BoxColors{0x111111, 0x222222, 0x333333}));
  EXPECT_EQ(ResolveBoxColors({0xFFFFFF, 0, 0x123456}, system), (BoxColors{0xFFFFFF, 0, 0x123456}));
  EXPECT_EQ(ResolveBoxColors({0x1000000, 0x1000000, 0x1000000}, system), (BoxColors{0x111111, 0x222222, 0x333333}));
  const SystemColors no_face{0x111111, 0x222222, std::nullopt};
  EXPECT_EQ(ResolveBoxColors({}, no_face).button, 0xF0F0F0u);
}

TEST(MessageBoxFallback, ButtonSetDerivedFromCustomResultsFirstMatchWins) {
  auto custom = [](std::vector<int> results) {
    Buttons b;
    for (int r : results) b.push_back({u"x", r});
    return b;
  };
  struct Case {
    std::uint32_t style;
    std::vector<int> results;
    std::uint32_t expected;
  } cases[] = {
      {0, {3, 4, 5}, 2},
      {0, {5, 4, 3, 2}, 2},  // abort/retry/ignore comes before retry/cancel
      {0, {4, 2}, 5},
      {0, {6, 7, 2}, 3},
      {0, {7, 6}, 4},
      {0, {2, 100}, 1},
      {0, {100, 101}, 0},
      {0, {}, 0},
      {0x10, {6, 7}, 0x14},                                  // icon kept
      {3, {100}, 3},                                         // a named set stays
      {7 | 0x30, {}, 1 | 0x30},                              // no Continue/Abort set in the system
      {4 | kBoxYesToAll | kBoxNoToAll | 0x100, {}, 4 | 0x100},  // the box's own bits are not the system's
      {0xB, {}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(FallbackStyle(c.style, custom(c.results)), c.expected) << std::hex << c.style;

  EXPECT_EQ(FallbackResult(7, 1), 11);
  EXPECT_EQ(FallbackResult(7 | 0x20, 2), 3);
  EXPECT_EQ(FallbackResult(1, 1), 1);
  EXPECT_EQ(FallbackResult(1, 2), 2);
  EXPECT_EQ(FallbackResult(0, 6), 6);
}

std::u16string German(int n) {
  static const std::map<int, std::u16string> texts{{21, u"Fehler"}, {49, u"Abbrechen"}, {79, u"Ja"},
                                                    {80, u"Nein"},   {100, u"Wiederholen"}, {115, u"Ja, alle"},
                                                    {116, u"Nein, keine"}};
  auto it = texts.find(n);
  return it == texts.end() ? std::u16string() : it->second;
}
std::u16string NoTexts(int) { return {}; }

TEST(MessageBoxWrappers, ButtonsInTheInstallationsLanguage) {
  struct Case {
    const char* what;
    WrappedBox box;
    std::uint32_t style;
    Buttons buttons;
  } cases[] = {
      {"yes/no with both to-all", WrapMessage(0x4 | kBoxYesToAll | kBoxNoToAll | 0x30, German),
       kBoxYesToAll | kBoxNoToAll | 0x30,
       {{u"Ja", 6}, {u"Ja, alle", 19}, {u"Nein", 7}, {u"Nein, keine", 20}}},
      {"yes/no", WrapMessage(0x4, German), 0, {{u"Ja", 6}, {u"Nein", 7}}},
      {"retry/cancel", WrapMessage(0x5 | 0x10, German), 0x10, {{u"Wiederholen", 4}, {u"Abbrechen", 2}}},
      {"ok", WrapMessage(0x0 | 0x40, German), 0x40, {{u"OK", 1}}},
      {"other sets keep theirs", WrapMessage(0x3 | 0x20, German), 0x3 | 0x20, {}},
      {"abort/retry/ignore keeps its set", WrapMessage(0x2, German), 0x2, {}},
      {"no language texts", WrapMessage(0x4, NoTexts), 0, {{u"&Yes", 6}, {u"&No", 7}}},
      {"question", WrapQuestion(German), 0x20, {{u"Ja", 6}, {u"Nein", 7}}},
      {"ok/cancel forces the question icon", WrapOkCancel(0x4 | 0x10 | 0x100, German), 0x20 | 0x100,
       {{u"OK", 1}, {u"Abbrechen", 2}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.box.style, c.style);
    EXPECT_EQ(c.box.buttons, c.buttons);
  }
  // What the box then shows: the wrapped buttons alone, in their order.
  const WrappedBox w = WrapMessage(0x4 | kBoxYesToAll | kBoxNoToAll, German);
  EXPECT_EQ(Results(MakeBoxButtons(w.style, w.buttons).buttons), (std::vector<int>{6, 19, 7, 20}));
  EXPECT_EQ(ErrorCaption(German), u"Fehler");
  EXPECT_EQ(ErrorCaption(NoTexts), u"Error");
}

TEST(MessageBoxWrappers, FontSizeAndColoursFromTheSettings) {
  const std::map<std::int32_t, int> sizes{{0, 13}, {-5, 13}, {100, 13}, {1, 7}, {50, 7}, {120, 16}, {150, 20}, {400, 20}};
  for (const auto& [zoom, points] : sizes) EXPECT_EQ(BoxFontPoints(zoom), points) << zoom;

  Settings s;
  s.DialogFG = 0x102030;
  s.DialogBG = 0x405060;
  s.ButtonBG = 0x708090;
  EXPECT_EQ(DialogColors(s, 0), BoxColors{});
  s.ProductFlags = kFlagDialogColours;
  EXPECT_EQ(DialogColors(s, kFlags2ButtonColours), (BoxColors{0x102030, 0x405060, 0x708090}));
}

// Layout: whatever the measures, the parts sit inside the client area with its margins, never
// overlap, and the buttons form one row.
TEST(MessageBoxLayout, PartsInsideAndApartAtEveryDpi) {
  struct Case {
    const char* what;
    BoxMeasures m;
  } cases[] = {
      {"short text, icon, one button", {96, {60, 16}, {32, 32}, {20}, 16, {}, 0}},
      {"long wrapped text, two buttons", {96, {520, 160}, {32, 32}, {30, 50}, 16, {}, 0}},
      {"no icon, check box, four buttons", {96, {300, 48}, {0, 0}, {25, 70, 20, 70}, 16, Size{200, 16}, 13}},
      {"wide check box label", {144, {90, 24}, {48, 48}, {30}, 24, Size{900, 24}, 20}},
      {"many wide buttons", {144, {100, 24}, {48, 48}, {200, 200, 200, 200, 200, 60}, 24, {}, 0}},
      {"icon taller than the text", {120, {40, 20}, {40, 40}, {30, 30}, 20, {}, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const BoxLayout l = LayoutMessageBox(c.m);
    const int margin = ScaleForDpi(12, c.m.dpi);
    const Rect inner{margin, margin, l.client.cx - margin, l.client.cy - margin};
    std::vector<Rect> parts{l.text};
    if (c.m.icon.cx) parts.push_back(l.icon);
    if (c.m.check) parts.push_back(l.check);
    parts.insert(parts.end(), l.buttons.begin(), l.buttons.end());
    for (std::size_t i = 0; i < parts.size(); ++i) {
      EXPECT_TRUE(inner.Contains(parts[i])) << "part " << i;
      for (std::size_t j = i + 1; j < parts.size(); ++j) EXPECT_FALSE(parts[i].Overlaps(parts[j])) << i << "," << j;
    }
    EXPECT_EQ(l.text.Width(), c.m.text.cx);
    EXPECT_EQ(l.text.Height(), c.m.text.cy);
    ASSERT_EQ(l.buttons.size(), c.m.label_widths.size());
    for (std::size_t i = 0; i < l.buttons.size(); ++i) {
      EXPECT_EQ(l.buttons[i].top, l.buttons[0].top);
      EXPECT_GE(l.buttons[i].Width(), c.m.label_widths[i] + 2 * ScaleForDpi(16, c.m.dpi));
      EXPECT_GE(l.buttons[i].Height(), c.m.line_height);
      if (i) {
        EXPECT_GE(l.buttons[i].left, l.buttons[i - 1].right);
      }
    }
    EXPECT_GE(l.buttons[0].top, std::max(l.text.bottom, c.m.check ? l.check.bottom : 0));
    if (c.m.check) {
      EXPECT_EQ(l.check.left, l.text.left);
      EXPECT_GE(l.check.Width(), c.m.check->cx + c.m.check_glyph);
    }
    if (l.buttons.size() == 1) {
      EXPECT_LE(std::abs(l.buttons[0].left - (l.client.cx - l.buttons[0].right)), 1);  // centred
    } else {
      EXPECT_EQ(l.buttons.back().right, l.client.cx - margin);  // right-aligned
    }
  }
}

TEST(MessageBoxLayout, ScalesWithDpi) {
  BoxMeasures m{96, {200, 32}, {32, 32}, {20, 20}, 16, {}, 0};
  const BoxLayout at96 = LayoutMessageBox(m);
  m = {144, {300, 48}, {48, 48}, {30, 30}, 24, {}, 0};
  const BoxLayout at144 = LayoutMessageBox(m);
  EXPECT_EQ(at144.client.cx, at96.client.cx * 3 / 2);
  EXPECT_EQ(at144.client.cy, at96.client.cy * 3 / 2);
  EXPECT_EQ(at144.buttons[1].left, at96.buttons[1].left * 3 / 2);
}

TEST(MessageBoxLayout, TextWidthAndPlacementInTheWorkArea) {
  EXPECT_EQ(MaxTextWidth(96, 1920), 520);
  EXPECT_EQ(MaxTextWidth(144, 1920), 780);
  EXPECT_EQ(MaxTextWidth(96, 600), 370);   // three quarters of a small screen, less the frame
  EXPECT_EQ(MaxTextWidth(96, 100), 160);   // never narrower than this
  const Rect area{0, 40, 1280, 1000};
  EXPECT_EQ(PlaceBox(area, {400, 200}), RectAt(440, 420, 400, 200));
  // Larger than the work area: the caption (top left) stays inside.
  EXPECT_EQ(PlaceBox(area, {1500, 1200}), RectAt(0, 40, 1500, 1200));
  EXPECT_EQ(PlaceBox({100, 100, 300, 300}, {250, 100}), RectAt(100, 150, 250, 100));
}

}  // namespace
}  // namespace mv
