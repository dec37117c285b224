#include "base/real_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "base/text.h"

namespace mv {

namespace {

// 17 significant digits always read back to the same double.
constexpr int kMaxDigits = 17;

// A positive number as significant digits d1 d2 ... dn and the decimal exponent of d1.
struct Digits {
  char digit[kMaxDigits + 1] = {};
  int count = 0;
  int exponent = 0;
};

// `magnitude` rounded to `count` significant digits (the C library rounds correctly, ties to even).
Digits Rounded(double magnitude, int count) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*e", count - 1, magnitude);
  Digits d;
  const char* p = text;
  for (; *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') d.digit[d.count++] = *p;  // skips the decimal point, whatever it is
  }
  d.exponent = std::atoi(p + 1);
  return d;
}

// The double the digits read as; the text has no decimal point, so no locale can change it.
double ReadBack(const Digits& d) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*se%d", d.count, d.digit, d.exponent - (d.count - 1));
  return std::strtod(text, nullptr);
}

// Adds one unit in the last digit ("129" gives "130", "999" gives "100" one decade higher).
void StepUp(Digits& d) {
  int i = d.count - 1;
  while (i >= 0 && d.digit[i] == '9') d.digit[i--] = '0';
  if (i >= 0) {
    ++d.digit[i];
  } else {
    d.digit[0] = '1';
    ++d.exponent;
  }
}

// The fewest digits that read back to `magnitude` (positive, finite); of several with that many, the
// nearest. Usually that is `magnitude` rounded to so many digits. Just above a power of two, where the
// doubles below lie closer than those above, the rounded digits can fall below the range that reads
// back while the next digits up are still inside it.
Digits Shortest(double magnitude) {
  for (int count = 1;; ++count) {
    Digits d = Rounded(magnitude, count);
    if (count == kMaxDigits) return d;
    const double back = ReadBack(d);
    if (back == magnitude) return d;
    if (back < magnitude) {
      StepUp(d);
      if (ReadBack(d) == magnitude) return d;
    }
  }
}

}  // namespace

std::string RealText(double value) {
  std::string text = std::signbit(value) ? "-" : "";
  if (std::isnan(value)) return text + "nan";
  if (std::isinf(value)) return text + "inf";
  const double magnitude = std::fabs(value);
  if (magnitude == 0) return text + "0";

  Digits d = Shortest(magnitude);
  while (d.count > 1 && d.digit[d.count - 1] == '0') --d.count;
  const int n = d.count;
  const int e = d.exponent;
  const int scientific_length = n + (n > 1 ? 1 : 0) + 2 + (e <= -100 || e >= 100 ? 3 : 2);
  const int fixed_length = e < 0 ? n + 1 - e : (n <= e + 1 ? e + 1 : n + 1);

  if (fixed_length > scientific_length) {
    text += d.digit[0];
    if (n > 1) text.append(".").append(d.digit + 1, n - 1);
    char exponent[8];
    std::snprintf(exponent, sizeof exponent, "e%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
    return text + exponent;
  }
  if (e < 0) return text.append("0.").append(-e - 1, '0').append(d.digit, n);
  if (n > e + 1) return text.append(d.digit, e + 1).append(".").append(d.digit + e + 1, n - e - 1);
  // An integer: beyond 2^53 its exact digits differ from the shortest ones padded with zeros, and the
  // exact ones are written.
  char integer[32];
  std::snprintf(integer, sizeof integer, "%.0f", magnitude);
  return text + integer;
}

std::optional<double> ParseRealText(std::u16string_view text) {
  const bool negative = !text.empty() && text.front() == u'-';
  const std::u16string_view rest = text.substr(negative ? 1 : 0);
  const double sign = negative ? -1.0 : 1.0;

  if (EqualsIgnoreAsciiCase(rest, u"inf") || EqualsIgnoreAsciiCase(rest, u"infinity"))
    return sign * std::numeric_limits<double>::infinity();
  if (rest.size() >= 3 && EqualsIgnoreAsciiCase(rest.substr(0, 3), u"nan")) {
    std::u16string_view tail = rest.substr(3);
    if (!tail.empty()) {
      if (tail.size() < 2 || tail.front() != u'(' || tail.back() != u')') return std::nullopt;
      for (char16_t ch : tail.substr(1, tail.size() - 2)) {
        const bool word = (ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') ||
                          ch == u'_';
        if (!word) return std::nullopt;
      }
    }
    return std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
  }

  // Checks the whole text against the grammar before the C library reads it, since strtod accepts
  // more (leading blanks, "+", hexadecimal).
  std::size_t i = 0;
  bool nonzero = false;
  auto digits = [&](bool significant) {
    const std::size_t start = i;
    for (; i < rest.size() && rest[i] >= u'0' && rest[i] <= u'9'; ++i) nonzero |= significant && rest[i] != u'0';
    return i - start;
  };
  std::size_t mantissa = digits(true);
  if (i < rest.size() && rest[i] == u'.') {
    ++i;
    mantissa += digits(true);
  }
  if (mantissa == 0) return std::nullopt;
  if (i < rest.size() && (rest[i] == u'e' || rest[i] == u'E')) {
    ++i;
    if (i < rest.size() && (rest[i] == u'+' || rest[i] == u'-')) ++i;
    if (digits(false) == 0) return std::nullopt;
  }
  if (i != rest.size()) return std::nullopt;

  const std::string ascii(text.begin(), text.end());  // only ASCII is left
  const double value = std::strtod(ascii.c_str(), nullptr);
  // Too large, or too small to be told from zero, is no number.
  if (std::isinf(value) || (value == 0 && nonzero)) return std::nullopt;
  return value;
}

}  // namespace mv
