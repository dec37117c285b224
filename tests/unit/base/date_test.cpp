#include "base/date.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace mv
