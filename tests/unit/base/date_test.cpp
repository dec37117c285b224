#include "base/date.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "base/text.h"

namespace mv {
namespace {

std::string Narrow(std::u16string_view s) { return Utf16ToUtf8(s); }

TEST(Dates, ShortDates) {
  DateNames names;
  names.months[2] = u"March";
  names.abbreviated_months[2] = u"Mar";
  names.days[1] = u"Tuesday";
  names.abbreviated_days[1] = u"Tue";
  names.days[5] = u"Saturday";
  struct Case {
    std::u16string pattern;
    int year, month, day;
    std::u16string out;
  } cases[] = {
      {u"dd/MM/yyyy", 2024, 3, 5, u"05/03/2024"},
      {u"M/d/yyyy", 2024, 3, 5, u"3/5/2024"},
      {u"yyyy-MM-dd", 2024, 12, 31, u"2024-12-31"},
      {u"d.M.yy", 2005, 7, 9, u"9.7.05"},
      {u"d/M/y", 2005, 7, 9, u"9/7/5"},
      {u"dddd, d MMMM yyyy", 2024, 3, 5, u"Tuesday, 5 March 2024"},
      {u"ddd d MMM", 2024, 3, 5, u"Tue 5 Mar"},
      {u"d 'de' MMMM", 2024, 3, 5, u"5 de March"},
      {u"yyyy'''y' dd", 2024, 3, 5, u"2024'y 05"},
      {u"gg yyyy/MM/dd", 2024, 3, 5, u" 2024/03/05"},
      {u"dddd", 2000, 1, 1, u"Saturday"},
      {u"dddd MMMM", 2023, 1, 1, u"1 1"},  // missing names fall back to the numbers
  };
  for (const auto& c : cases) EXPECT_EQ(FormatShortDate(c.pattern, c.year, c.month, c.day, names), c.out) << Narrow(c.pattern);
}

// Dates from the system or a file can be anything, "no date" (month 0) included: every pattern
// letter gives text for every input, never an index outside the name tables or an overflow.
TEST(Dates, AnyInputIsSafe) {
  DateNames names;
  names.days = {u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat", u"Sun"};
  const std::u16string pattern = u"dddd ddd dd d MMMM MMM MM M yyyy yy y";
  constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
  for (int year : {kMin, -1, 0, 2024, kMax}) {
    for (int month : {kMin, -1, 0, 1, 12, 13, kMax}) {
      for (int day : {kMin, 0, 31, kMax}) {
        const std::u16string out = FormatShortDate(pattern, year, month, day, names);
        bool named = false;
        for (const auto& d : names.days) named = named || out.compare(0, 3, d) == 0;
        EXPECT_TRUE(named) << year << " " << month << " " << day;
      }
    }
  }
  EXPECT_EQ(FormatShortDate(u"dd/MM/yyyy", 2024, 0, 0), u"00/00/2024");
  EXPECT_EQ(FormatShortDate(u"dddd", 2024, 0, 1, names), FormatShortDate(u"dddd", 2024, 1, 1, names));
}

// The file-date order: ties within 2 seconds, a missing date or time, day boundaries.
TEST(FileDates, OrderAndTolerance) {
  const FileDateTime noon{2026, 3, 1, 12, 0, 0};
  struct Case {
    FileDateTime a, b;
    int sign;
  } cases[] = {
      {noon, noon, 0},
      {{2026, 3, 1, 12, 0, 1}, noon, 0},   // one second apart: equal
      {{2026, 3, 1, 11, 59, 59}, noon, 0},
      {{2026, 3, 1, 12, 0, 2}, noon, 1},   // two seconds: later
      {{2026, 2, 28, 23, 59, 59}, {2026, 3, 1, 0, 0, 0}, -1},  // the day decides before the time
      {{2026, 3, 1, -1, 0, 0}, noon, 1},   // no time sorts after a time
      {noon, {2026, 3, 1, -1, 0, 0}, -1},
      {{2026, 3, 1, -1, 0, 0}, {2026, 3, 1, -1, 5, 5}, 0},
      {{0, 0, 0, 0, 0, 0}, noon, 1},       // no date sorts after a date
      {noon, {0, 0, 0, 0, 0, 0}, -1},
      {{2025, 12, 31, 23, 0, 0}, noon, -1},
  };
  for (const Case& c : cases) {
    const int got = CompareFileDateTime(c.a, c.b);
    EXPECT_EQ((got > 0) - (got < 0), c.sign) << Narrow(FileDateTimeText(c.a)) << " vs " << Narrow(FileDateTimeText(c.b));
  }
  EXPECT_EQ(FileDateTimeText({2026, 12, 7, 14, 5, 9}), u"2026/12/07 14:05:09");
}

TEST(FileDates, TextForm) {
  struct Case {
    const char* text;
    bool ok;
    FileDateTime date;
  } cases[] = {
      {"2026/12/07", true, {2026, 12, 7, -1, 0, 0}},
      {"2026/12/07 14:05:09", true, {2026, 12, 7, 14, 5, 9}},
      {"2026/1/7 4:5:9", true, {2026, 1, 7, 4, 5, 9}},
      {"2024/02/29", true, {2024, 2, 29, -1, 0, 0}},      // leap day
      {"2026/12/07 24:00:00", true, {2026, 12, 7, -1, 0, 0}},  // no valid time: the date alone
      {"2026/12/07 23:60:00", true, {2026, 12, 7, -1, 0, 0}},
      {"2026/13/01", false, {}},
      {"2026/00/10", false, {}},
      {"2026/02/30", false, {}},
      {"2023/02/29", false, {}},
      {"1900/02/29", false, {}},
      {"2026/04/31", false, {}},
      {"2026/12/00", false, {}},
      {"2026-12-07", false, {}},
      {"2026/12/07 14:05", false, {}},
      {"2026/12/07 14:05:09x", false, {}},
      {"2026/12/07x", false, {}},
      {"", false, {}},
      {"99999/01/01", false, {}},
  };
  for (const Case& c : cases) {
    const auto parsed = ParseFileDateTime(c.text);
    ASSERT_EQ(parsed.has_value(), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(*parsed, c.date) << c.text;
    }
  }
}

}  // namespace
}  // namespace mv
