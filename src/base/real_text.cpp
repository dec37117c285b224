#include "base/real_text.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "base/text.h"

namespace mv {

namespace {

// 17 significant digits always read back to the same double.
constexpr int kMaxDigits = 17;
// More significant digits than any halfway point between two doubles has (767); the rest of a longer
// number only counts as "something more".
constexpr std::size_t kMaxSignificant = 800;

// A non-negative whole number of any size, for exact comparisons.
class BigNumber {
 public:
  explicit BigNumber(std::uint64_t n) {
    for (; n != 0; n >>= 32) words_.push_back(static_cast<std::uint32_t>(n));
  }
  static BigNumber FromDigits(std::string_view digits) {
    BigNumber n(0);
    for (char digit : digits) n.MultiplyAdd(10, static_cast<std::uint32_t>(digit - '0'));
    return n;
  }
  void MultiplyByPowerOfTen(std::int64_t power) {
    for (; power >= 9; power -= 9) MultiplyAdd(1000000000, 0);
    std::uint32_t rest = 1;
    for (; power > 0; --power) rest *= 10;
    MultiplyAdd(rest, 0);
  }
  void Multiply(std::uint64_t factor) {
    BigNumber high = *this;
    high.MultiplyAdd(static_cast<std::uint32_t>(factor >> 32), 0);
    high.MultiplyByPowerOfTwo(32);
    MultiplyAdd(static_cast<std::uint32_t>(factor), 0);
    std::uint64_t carry = 0;
    if (high.words_.size() > words_.size()) words_.resize(high.words_.size(), 0);
    for (std::size_t i = 0; i < words_.size(); ++i) {
      carry += words_[i] + static_cast<std::uint64_t>(i < high.words_.size() ? high.words_[i] : 0);
      words_[i] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    if (carry != 0) words_.push_back(static_cast<std::uint32_t>(carry));
  }
  void MultiplyByPowerOfTwo(std::int64_t power) {
    if (words_.empty()) return;
    words_.insert(words_.begin(), static_cast<std::size_t>(power / 32), 0);
    const int bits = static_cast<int>(power % 32);
    if (bits == 0) return;
    std::uint32_t carry = 0;
    for (std::uint32_t& word : words_) {
      const std::uint32_t out = word >> (32 - bits);
      word = (word << bits) | carry;
      carry = out;
    }
    if (carry != 0) words_.push_back(carry);
  }
  // The sign of a - b. The top word of a number is never 0, so the longer number is the larger.
  static int Compare(const BigNumber& a, const BigNumber& b) {
    if (a.words_.size() != b.words_.size()) return a.words_.size() < b.words_.size() ? -1 : 1;
    for (std::size_t i = a.words_.size(); i-- > 0;) {
      if (a.words_[i] != b.words_[i]) return a.words_[i] < b.words_[i] ? -1 : 1;
    }
    return 0;
  }

 private:
  void MultiplyAdd(std::uint32_t factor, std::uint32_t add) {
    std::uint64_t carry = add;
    for (std::uint32_t& word : words_) {
      carry += static_cast<std::uint64_t>(word) * factor;
      word = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    if (carry != 0) words_.push_back(static_cast<std::uint32_t>(carry));
    while (!words_.empty() && words_.back() == 0) words_.pop_back();  // a factor of 0
  }

  std::vector<std::uint32_t> words_;  // lowest first
};

// digits × 10^exponent; the digits have no leading zero (none at all for zero).
struct DecimalNumber {
  std::string digits;
  std::int64_t exponent = 0;
};

// A decimal number made ready for many exact comparisons with doubles.
class ExactDecimal {
 public:
  explicit ExactDecimal(const DecimalNumber& x) : digits_(BigNumber::FromDigits(x.digits)), scale_(1) {
    if (x.exponent >= 0) {
      digits_.MultiplyByPowerOfTen(x.exponent);
    } else {
      scale_.MultiplyByPowerOfTen(-x.exponent);
    }
  }

  // Where the number lies against the numbers that read as `value` (non-negative, finite): -1 below
  // them, 0 among them, 1 above them. A number halfway between two doubles reads as the one whose last
  // bit is 0.
  int Side(double value) const {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::int64_t biased = static_cast<std::int64_t>(bits >> 52);
    // value = m × 2^power
    const std::uint64_t m = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    const std::int64_t power = biased == 0 ? -1074 : biased - 1075;
    const bool even = (m & 1) == 0;
    if (m != 0) {
      // Just above a power of two the double below is half as far away as the one above.
      const bool closer_below = fraction == 0 && biased > 1;
      const int below = closer_below ? Compare(4 * m - 1, power - 2) : Compare(2 * m - 1, power - 1);
      if (below < 0 || (below == 0 && !even)) return -1;
    }
    const int above = Compare(2 * m + 1, power - 1);
    if (above > 0 || (above == 0 && !even)) return 1;
    return 0;
  }

 private:
  // The sign of the number - m × 2^power, that is of digits × 10^exponent - m × 2^power.
  int Compare(std::uint64_t m, std::int64_t power) const {
    BigNumber left = digits_;
    BigNumber right = scale_;
    right.Multiply(m);
    if (power >= 0) {
      right.MultiplyByPowerOfTwo(power);
    } else {
      left.MultiplyByPowerOfTwo(-power);
    }
    return BigNumber::Compare(left, right);
  }

  BigNumber digits_;  // digits × 10^exponent when the exponent is not negative
  BigNumber scale_;   // 10^-exponent when it is
};

// `magnitude` (positive, finite) rounded to `count` significant digits; the C library rounds
// correctly, halfway to even.
DecimalNumber Rounded(double magnitude, int count) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*e", count - 1, magnitude);
  DecimalNumber d;
  const char* p = text;
  for (; *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') d.digits += *p;  // skips the decimal point, whatever the locale made it
  }
  d.exponent = std::atoi(p + 1) - (count - 1);
  return d;
}

// Adds one unit in the last digit ("129" gives "130", "999" gives "100" one decade higher).
void StepUp(DecimalNumber& d) {
  std::size_t i = d.digits.size();
  while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
  if (i > 0) {
    ++d.digits[i - 1];
  } else {
    d.digits[0] = '1';
    ++d.exponent;
  }
}

// The fewest digits that read back as `magnitude` (positive, finite); of several with that many, the
// nearest. Usually that is `magnitude` rounded to so many digits, but just above a power of two, where
// the doubles below lie closer than those above, the rounded digits can fall below the numbers that
// read back while the next digits up are still among them.
DecimalNumber Shortest(double magnitude) {
  for (int count = 1;; ++count) {
    DecimalNumber d = Rounded(magnitude, count);
    if (count == kMaxDigits) return d;
    const int side = ExactDecimal(d).Side(magnitude);
    if (side == 0) return d;
    if (side < 0) {
      StepUp(d);
      if (ExactDecimal(d).Side(magnitude) == 0) return d;
    }
  }
}

// The double nearest to x (halfway to even), or infinity, found by halving the range of doubles: the
// bit patterns of the non-negative doubles are in the order of their values. x lies between 10^-326 and
// 10^310. Exact, and independent of the C library's strtod (mingw-w64's misreads some numbers next to a
// power of two) and of the locale.
double Nearest(const DecimalNumber& number) {
  const ExactDecimal x(number);
  std::uint64_t low = 0;
  std::uint64_t high = std::bit_cast<std::uint64_t>(std::numeric_limits<double>::infinity());
  while (low < high) {
    const std::uint64_t middle = low + (high - low) / 2;
    const int side = x.Side(std::bit_cast<double>(middle));
    if (side == 0) return std::bit_cast<double>(middle);
    if (side > 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return std::bit_cast<double>(low);  // infinity: x is past the largest double
}

}  // namespace

std::string RealText(double value) {
  std::string text = std::signbit(value) ? "-" : "";
  if (std::isnan(value)) return text + "nan";
  if (std::isinf(value)) return text + "inf";
  const double magnitude = std::fabs(value);
  if (magnitude == 0) return text + "0";

  DecimalNumber d = Shortest(magnitude);
  while (d.digits.size() > 1 && d.digits.back() == '0') {
    d.digits.pop_back();
    ++d.exponent;
  }
  const int n = static_cast<int>(d.digits.size());
  const int e = static_cast<int>(d.exponent) + n - 1;  // the power of ten of the first digit
  const int scientific_length = n + (n > 1 ? 1 : 0) + 2 + (e <= -100 || e >= 100 ? 3 : 2);
  const int fixed_length = e < 0 ? n + 1 - e : (n <= e + 1 ? e + 1 : n + 1);

  if (fixed_length > scientific_length) {
    text += d.digits[0];
    if (n > 1) text.append(".").append(d.digits, 1);
    char exponent[8];
    std::snprintf(exponent, sizeof exponent, "e%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
    return text + exponent;
  }
  if (e < 0) return text.append("0.").append(-e - 1, '0').append(d.digits);
  if (n > e + 1) return text.append(d.digits, 0, e + 1).append(".").append(d.digits, e + 1);
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
    const std::u16string_view tail = rest.substr(3);
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

  // digits ["." digits] [("e" | "E") ["+" | "-"] digits], with at least one digit before the exponent.
  DecimalNumber x;
  std::size_t i = 0;
  std::size_t mantissa_digits = 0;
  bool dropped_nonzero = false;
  auto mantissa = [&](bool after_point) {
    for (; i < rest.size() && rest[i] >= u'0' && rest[i] <= u'9'; ++i, ++mantissa_digits) {
      if (x.digits.empty() && rest[i] == u'0') {
        if (after_point) --x.exponent;
      } else if (x.digits.size() < kMaxSignificant) {
        x.digits += static_cast<char>(rest[i]);
        if (after_point) --x.exponent;
      } else {
        dropped_nonzero |= rest[i] != u'0';
        if (!after_point) ++x.exponent;
      }
    }
  };
  mantissa(false);
  if (i < rest.size() && rest[i] == u'.') {
    ++i;
    mantissa(true);
  }
  if (mantissa_digits == 0) return std::nullopt;
  if (i < rest.size() && (rest[i] == u'e' || rest[i] == u'E')) {
    ++i;
    const bool exponent_negative = i < rest.size() && rest[i] == u'-';
    if (i < rest.size() && (rest[i] == u'+' || rest[i] == u'-')) ++i;
    const std::size_t start = i;
    std::int64_t exponent = 0;
    for (; i < rest.size() && rest[i] >= u'0' && rest[i] <= u'9'; ++i)
      exponent = std::min<std::int64_t>(exponent * 10 + (rest[i] - u'0'), 1'000'000'000);  // far out of range
    if (i == start) return std::nullopt;
    x.exponent += exponent_negative ? -exponent : exponent;
  }
  if (i != rest.size()) return std::nullopt;

  if (dropped_nonzero) {
    x.digits += '1';
    --x.exponent;
  }
  double magnitude = 0;
  if (!x.digits.empty()) {
    // The first digit's power of ten: from 10^309 on a number is past the largest double, below 10^-325
    // it is nearer to 0 than to the smallest.
    const std::int64_t first = x.exponent + static_cast<std::int64_t>(x.digits.size()) - 1;
    if (first >= 309 || first < -325) return std::nullopt;
    magnitude = Nearest(x);
    if (std::isinf(magnitude) || magnitude == 0) return std::nullopt;
  }
  return sign * magnitude;
}

}  // namespace mv
