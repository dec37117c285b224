#include "ui/color_text.h"

namespace mv {

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::uint32_t> ParseColorText(std::u16string_view text) {
  if (!text.empty() && text.front() == u'#') text.remove_prefix(1);
  if (text.size() != 3 && text.size() != 6) return std::nullopt;
  int digits[6];
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((digits[i] = HexDigit(text[i])) < 0) return std::nullopt;
  const bool short_form = text.size() == 3;
  std::uint32_t colour = 0;
  for (int channel = 0; channel < 3; ++channel) {
    const int high = digits[short_form ? channel : 2 * channel];
    const int low = digits[short_form ? channel : 2 * channel + 1];
    colour |= static_cast<std::uint32_t>(high * 16 + low) << (8 * channel);
  }
  return colour;
}

}  // namespace mv
