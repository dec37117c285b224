#include "base/codepage.h"

#include <cstddef>
#include <cstdint>

#include "base/text.h"

namespace mv {
namespace {

// Characters of bytes 0x80..0x9F; the unassigned bytes keep their own value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The byte for `c`, or '?' when Windows-1252 has none.
char EncodeOne(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < 32; ++i) {
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

std::u16string Cp1252ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto b = static_cast<std::uint8_t>(ch);
    out.push_back(b >= 0x80 && b <= 0x9F ? kHighControls[b - 0x80] : static_cast<char16_t>(b));
  }
  return out;
}

std::string Utf16ToCp1252(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out.push_back('?');
      ++i;
      continue;
    }
    out.push_back(EncodeOne(c));
  }
  return out;
}

std::string ToNarrowPath(std::u16string_view text) {
  for (char16_t c : text) {
    if (c >= 0x80) return "|" + Utf16ToUtf8(text);
  }
  return std::string(text.begin(), text.end());
}

bool CodePageTakesDefaultChar(unsigned code_page) {
  switch (code_page) {
    case 42:     // symbol
    case 65000:  // UTF-7
    case 65001:  // UTF-8
    case 54936:  // GB18030
    case 50220: case 50221: case 50222: case 50225: case 50227: case 50229:  // ISO-2022
      return false;
    default:
      return !(code_page >= 57002 && code_page <= 57011);  // ISCII
  }
}

}  // namespace mv
