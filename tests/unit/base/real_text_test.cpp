#include "base/real_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "base/text.h"

// RealText and ParseRealText stand in for std::to_chars and std::from_chars, which the runtime does
// not link; the tests hold them to the library's own answers (on the host and under Wine alike).

namespace mv {
namespace {

std::string ToChars(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::optional<double> FromChars(std::string_view text) {
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// Same text as std::to_chars, and the text reads back to the same bits.
void ExpectSameAsToChars(double value) {
  const std::string text = RealText(value);
  EXPECT_EQ(text, ToChars(value)) << std::hex << Bits(value);
  const std::optional<double> back = ParseRealText(Utf8ToUtf16(text));
  ASSERT_TRUE(back.has_value()) << text;
  EXPECT_EQ(Bits(*back), Bits(value)) << text;
}

TEST(RealText, KnownTexts) {
  const std::pair<double, const char*> cases[] = {
      {12, "12"},
      {0.1, "0.1"},
      {1.5, "1.5"},
      {-2.5, "-2.5"},
      {0.0, "0"},
      {-0.0, "-0"},
      {100, "100"},
      {10000, "10000"},  // as long as "1e+04": fixed
      {1e5, "1e+05"},
      {0.001, "0.001"},  // as long as "1e-03": fixed
      {1e-4, "1e-04"},
      {1e-7, "1e-07"},
      {1e16, "1e+16"},
      {1e21, "1e+21"},
      {1e22, "1e+22"},
      {123456789012345680000.0, "123456789012345683968"},  // a fixed integer shows its exact digits
      {0.1 + 0.2, "0.30000000000000004"},
      {5e-324, "5e-324"},
      {DBL_MIN, "2.2250738585072014e-308"},
      {DBL_MAX, "1.7976931348623157e+308"},
      {1e100, "1e+100"},
      {-1.25e-100, "-1.25e-100"},
      // Just above a power of two the shortest digits lie above the value rounded to as many digits
      // (7.120236347223044e-307 would read back as a different double).
      {std::ldexp(1.0, -1017), "7.120236347223045e-307"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
      {-std::numeric_limits<double>::quiet_NaN(), "-nan"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(RealText(value), text);
    EXPECT_EQ(ToChars(value), text);  // the expectation is the library's own text
  }
}

TEST(RealText, SameAsToCharsOnEdgesOfRangeAndNotation) {
  std::vector<double> values = {
      DBL_TRUE_MIN, 2 * DBL_TRUE_MIN, DBL_MIN - DBL_TRUE_MIN, DBL_MIN, std::nextafter(DBL_MAX, 0.0), DBL_MAX,
      9007199254740992.0, 9007199254740993.0, 18014398509481990.0, 1e23, 9.999999999999999e22,
      0.30000000000000004, 2.2250738585072011e-308, 1.2345678901234567, 9.5367431640625e-07,
  };
  // Where fixed and scientific notation trade places, with one to seventeen significant digits.
  const double mantissas[] = {1, 1.5, 2.5, 9.99, 1.2345678901234567, 9.999999999999998, 3.0000000000000004};
  for (int exponent = -30; exponent <= 30; ++exponent) {
    for (double m : mantissas) values.push_back(m * std::pow(10.0, exponent));
  }
  // Every power of two with its neighbours, where the doubles below lie closer than those above.
  for (int exponent = -1074; exponent <= 1023; ++exponent) {
    const double power = std::ldexp(1.0, exponent);
    values.insert(values.end(), {power, std::nextafter(power, 0.0), std::nextafter(power, DBL_MAX)});
  }
  for (double value : values) {
    ExpectSameAsToChars(value);
    ExpectSameAsToChars(-value);
  }
}

TEST(RealText, SameAsToCharsOnPseudoRandomDoubles) {
  std::mt19937_64 random(20261211);  // fixed seed: the same doubles every run, on every platform
  for (int i = 0; i < 4000; ++i) {
    const std::uint64_t bits = random();
    // Any bit pattern, and one with an exponent near 1 where fixed notation is chosen.
    const std::uint64_t near_one = (bits & 0x800FFFFFFFFFFFFFull) | ((1023ull - 40 + bits % 100) << 52);
    for (std::uint64_t pattern : {bits, near_one}) {
      const double value = std::bit_cast<double>(pattern);
      if (std::isfinite(value)) ExpectSameAsToChars(value);
    }
  }
}

TEST(ParseRealText, AcceptsAndRefusesWhatFromCharsDoes) {
  const std::string zeros(400, '0');
  const std::string texts[] = {
      "0", "-0", "12", "0.1", "-2.5", "1.", ".5", "-.5", "00001.5000", "1e+5", "1E5", "1e-5", "1.e5",
      "1e0000000000000000000000000001", "1e-0000000000000000000000000001", "0e99999999999999999999",
      "-0.0e-99999999999999999999", "1" + zeros + "e-400", "0." + zeros + "1e400",
      // Halfway between 1 and the next double: ties to even; a last digit further up rounds up.
      "1.00000000000000011102230246251565404236316680908203125",
      "1.000000000000000111022302462515654042363166809082031250000000000000001",
      // Largest and smallest: rounding to a double that exists is a number, past it none.
      "1.7976931348623157e308", "1.797693134862315807e308", "1.79769313486231581e308", "1.7976931348623159e308",
      "1e400", "-1e400", "1e-320", "4e-324", "2.4703282292062328e-324", "2.4703282292062327e-324", "2e-324",
      "1e-400", "0." + zeros + "1", "1e99999999999999999999",
      // Words.
      "inf", "-INF", "Infinity", "-infinity", "infinit", "infinityy", "nan", "-NaN", "nan()", "nan(abc_09)",
      "nan(", "nan(-)", "nan(a b)", "nan)", "nanx",
      // Not numbers, or not only one.
      "", "-", ".", "-.", "+1", " 1", "1 ", "--1", "1e", "1e+", "1e-", "e5", "-e5", "1e5.5", "1.2.3", "1,5",
      "0x10", "1_0", "1d", "1e1e1", std::string("1\0", 2),
  };
  for (const std::string& text : texts) {
    const std::optional<double> expected = FromChars(text);
    const std::optional<double> parsed = ParseRealText(Utf8ToUtf16(text));
    ASSERT_EQ(parsed.has_value(), expected.has_value()) << text;
    if (expected) EXPECT_EQ(Bits(*parsed), Bits(*expected)) << text;
  }
  // A few answers written out, so that the comparison above cannot pass by both refusing everything.
  EXPECT_EQ(ParseRealText(u"12"), 12.0);
  EXPECT_EQ(ParseRealText(u"-1.5e-3"), -0.0015);
  EXPECT_EQ(ParseRealText(u"1e400"), std::nullopt);
  EXPECT_EQ(ParseRealText(u"+1"), std::nullopt);
  // Only ASCII is a number.
  for (std::u16string_view text : {u"\uFF11", u"1\u00A0", u"\u22121", u"1\u0660"})
    EXPECT_EQ(ParseRealText(text), std::nullopt) << Utf16ToUtf8(text);
}

// Halfway points between neighbouring doubles, exactly (a tie, which goes to the double whose last bit
// is 0) and just below and above, where a reader that is not exact picks the wrong neighbour.
TEST(ParseRealText, SameAsFromCharsAtHalfwayPoints) {
  std::vector<double> values = {0.0, DBL_TRUE_MIN, DBL_MIN, 1.0, 0.1, 1e22, 1e23, std::nextafter(DBL_MAX, 0.0)};
  for (int exponent = -1074; exponent <= 1023; exponent += 7) values.push_back(std::ldexp(1.0, exponent));
  std::mt19937_64 random(7);
  for (int i = 0; i < 300; ++i) {
    const double value = std::bit_cast<double>(random() & 0x7FFFFFFFFFFFFFFFull);
    if (value < DBL_MAX) values.push_back(value);
  }
  for (double value : values) {
    for (double neighbour : {std::nextafter(value, 0.0), std::nextafter(value, DBL_MAX)}) {
      if (neighbour == value) continue;
      static_assert(std::numeric_limits<long double>::digits >= 64);
      // A long double holds the halfway point exactly (64 significant bits), and %Le writes it exactly
      // with enough digits.
      const long double halfway = (static_cast<long double>(value) + neighbour) / 2;
      char exact[1024];
      std::snprintf(exact, sizeof exact, "%.800Le", halfway);
      char near[64];
      std::snprintf(near, sizeof near, "%.25Le", halfway);
      const std::string mantissa(exact, std::strchr(exact, 'e'));
      const std::string exponent(std::strchr(exact, 'e'));
      for (const std::string& text : {std::string(exact), std::string(near), mantissa + "1" + exponent,
                                      "-" + mantissa + "00000000000000000000001" + exponent}) {
        const std::optional<double> expected = FromChars(text);
        const std::optional<double> parsed = ParseRealText(Utf8ToUtf16(text));
        ASSERT_EQ(parsed.has_value(), expected.has_value()) << text;
        if (expected) EXPECT_EQ(Bits(*parsed), Bits(*expected)) << text;
      }
    }
  }
}

}  // namespace
}  // namespace mv
