#include "ui/dialog_template.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

void Put16(Bytes& b, std::uint32_t v) { b.push_back(v & 0xFF), b.push_back((v >> 8) & 0xFF); }
void Put32(Bytes& b, std::uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }
void PutText(Bytes& b, std::u16string_view s) {
  for (char16_t c : s) Put16(b, c);
  Put16(b, 0);
}

// An extended template with a caption, a font and two controls, as the resource compiler lays it
// out; `items_at` receives where the controls begin.
Bytes Template(std::u16string_view caption, std::u16string_view face, std::uint32_t style, std::size_t* items_at) {
  Bytes b;
  Put16(b, 1), Put16(b, 0xFFFF), Put32(b, 0), Put32(b, 0), Put32(b, style);
  Put16(b, 2);
  for (int v : {0, 0, 280, 202}) Put16(b, v);
  Put16(b, 0);  // no menu
  Put16(b, 0xFFFF), Put16(b, 0x8002);  // a class by ordinal
  PutText(b, caption);
  if (style & 0x40) {
    Put16(b, 10), Put16(b, 400), b.push_back(0), b.push_back(1);
    PutText(b, face);
  }
  while (b.size() % 4) b.push_back(0);
  *items_at = b.size();
  for (int id : {1001, 1003}) {  // two buttons
    Put32(b, 0), Put32(b, 0), Put32(b, 0x50010000);
    for (int v : {10, 20, 50, 14}) Put16(b, v);
    Put32(b, id);
    Put16(b, 0xFFFF), Put16(b, 0x0080);
    PutText(b, u"OK");
    Put16(b, 0);
    while (b.size() % 4) b.push_back(0);
  }
  return b;
}

// The font fields of a template that SetDialogFont produced: point size, face, and the controls.
struct Font {
  int points;
  std::u16string face;
  Bytes items;
};
Font ReadFont(const Bytes& b, std::size_t font_at) {
  Font f;
  f.points = b[font_at] | (b[font_at + 1] << 8);
  std::size_t at = font_at + 6;
  for (; b[at] | b[at + 1]; at += 2) f.face += static_cast<char16_t>(b[at] | (b[at + 1] << 8));
  at = (at + 2 + 3) & ~std::size_t{3};
  f.items.assign(b.begin() + at, b.end());
  return f;
}

TEST(DialogTemplateFont, FaceAndSizeReplacedControlsKeptAligned) {
  for (std::u16string_view caption : {u"", u"A", u"Setup"}) {
    std::size_t items_at = 0;
    const Bytes original = Template(caption, u"MS Shell Dlg 2", 0x80C800C8, &items_at);
    const Bytes items(original.begin() + items_at, original.end());
    const std::size_t font_at = 32 + 2 * (caption.size() + 1);  // header, menu, class, caption
    struct Case {
      std::u16string face;
      int points;
      std::u16string expected_face;
    } cases[] = {{u"", 13, u"MS Shell Dlg 2"}, {u"Tahoma", 8, u"Tahoma"}, {u"Segoe UI Semibold", 15, u"Segoe UI Semibold"},
                 {std::u16string(40, u'x'), 10, std::u16string(31, u'x')}, {u"Arial", 0, u"Arial"}};
    for (const auto& c : cases) {
      const auto changed = SetDialogFont(original, c.face, c.points);
      ASSERT_TRUE(changed.has_value());
      EXPECT_EQ(changed->size() % 4, original.size() % 4);
      EXPECT_TRUE(std::equal(original.begin(), original.begin() + font_at, changed->begin()));  // header kept
      const Font f = ReadFont(*changed, font_at);
      EXPECT_EQ(f.points, std::max(c.points, 1));
      EXPECT_EQ(f.face, c.expected_face);
      EXPECT_EQ(f.items, items);
    }
  }
}

TEST(DialogTemplateFont, RefusesWhatIsNotAnExtendedTemplateWithAFont) {
  std::size_t items_at = 0;
  EXPECT_FALSE(SetDialogFont(Template(u"x", u"", 0x80C80000, &items_at), u"Arial", 10));  // no DS_SETFONT
  const Bytes good = Template(u"Setup", u"MS Shell Dlg 2", 0x80C800C8, &items_at);
  Bytes old_format = good;
  old_format[2] = 0;  // not the extended signature
  EXPECT_FALSE(SetDialogFont(old_format, u"Arial", 10));
  // Cut anywhere before the controls begin: refused, never read past the end.
  for (std::size_t n = 0; n < items_at; ++n)
    EXPECT_FALSE(SetDialogFont(std::span(good.data(), n), u"Arial", 10)) << n;
  EXPECT_TRUE(SetDialogFont(std::span(good.data(), items_at), u"Arial", 10));
}

}  // namespace
}  // namespace mv
