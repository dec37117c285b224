#include "base/text.h"

#include <algorithm>

namespace mv {

namespace {
constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(c));
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}
}  // namespace

std::u16string Utf8ToUtf16(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  size_t i = 0;
  while (i < in.size()) {
    unsigned char b = static_cast<unsigned char>(in[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= in.size()) {
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? b : (b & (0x3F >> extra));
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char t = static_cast<unsigned char>(in[i + k]);
      if ((t & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (t & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    AppendUtf16(out, c);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t c = in[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

namespace {

bool MatchesAt(std::u16string_view text, std::size_t pos, const VariableName& row) {
  if (text.size() - pos < row.name.size()) return false;
  const std::u16string_view candidate = text.substr(pos, row.name.size());
  return row.exact_case ? candidate == row.name : EqualsIgnoreAsciiCase(candidate, row.name);
}

// The first occurrence of the row's name at or after `from`; npos when there is none.
std::size_t FindName(std::u16string_view text, std::size_t from, const VariableName& row) {
  if (row.name.empty()) return std::u16string_view::npos;
  for (std::size_t pos = from; pos < text.size(); ++pos) {
    if (MatchesAt(text, pos, row)) return pos;
  }
  return std::u16string_view::npos;
}

}  // namespace

void ReplaceNames(std::u16string& text, std::span<const VariableName> table,
                  const std::function<std::u16string(std::size_t)>& value_of) {
  for (std::size_t row = 0; row < table.size(); ++row) {
    std::size_t pos = FindName(text, 0, table[row]);
    if (pos == std::u16string::npos) continue;
    const std::u16string value = value_of(row);
    do {
      text.replace(pos, table[row].name.size(), value);
      pos = FindName(text, pos + value.size(), table[row]);
    } while (pos != std::u16string::npos);
  }
}

std::u16string Decimal(std::int64_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

bool IsRichText(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t kBom[] = {0xEF, 0xBB, 0xBF};
  if (bytes.size() >= 3 && std::equal(kBom, kBom + 3, bytes.begin())) bytes = bytes.subspan(3);
  static constexpr char kMarker[] = "{\\rtf";
  return bytes.size() >= 5 && std::equal(kMarker, kMarker + 5, bytes.begin());
}

}  // namespace mv
