#include "base/date.h"

#include <algorithm>
#include <cstdint>

#include "base/text.h"

namespace mv {

namespace {

std::u16string Padded(int n, std::size_t width) {
  std::u16string digits = Decimal(n);
  if (digits.size() < width) digits.insert(0, width - digits.size(), u'0');
  return digits;
}

// 0 for Monday ... 6 for Sunday, in the proleptic Gregorian calendar. Any input gives a weekday: a
// month outside 1-12 counts as the nearest month, and the sums are taken in 64 bits so that no year
// or day can overflow them.
int Weekday(int year, int month, int day) {
  static constexpr int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  month = std::clamp(month, 1, 12);
  std::int64_t y = year;
  if (month < 3) y -= 1;
  const std::int64_t sum = y + y / 4 - y / 100 + y / 400 + kOffsets[month - 1] + std::int64_t{day};
  const int sunday_first = static_cast<int>((sum % 7 + 7) % 7);
  return (sunday_first + 6) % 7;
}

std::u16string NameOr(const std::u16string& name, int number) { return name.empty() ? Decimal(number) : name; }

}  // namespace

std::u16string FormatShortDate(std::u16string_view pattern, int year, int month, int day, const DateNames& names) {
  std::u16string out;
  for (std::size_t i = 0; i < pattern.size();) {
    const char16_t c = pattern[i];
    if (c == u'\'') {
      // Quoted text; two quotes in a row stand for one quote.
      for (++i; i < pattern.size(); ++i) {
        if (pattern[i] != u'\'') {
          out += pattern[i];
        } else if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
          out += u'\'';
          ++i;
        } else {
          ++i;
          break;
        }
      }
      continue;
    }
    std::size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    const std::size_t month_index = static_cast<std::size_t>(std::clamp(month, 1, 12) - 1);
    switch (c) {
      case u'd':
        if (run <= 2) {
          out += Padded(day, run);
        } else {
          const std::size_t weekday = static_cast<std::size_t>(Weekday(year, month, day));
          out += NameOr(run == 3 ? names.abbreviated_days[weekday] : names.days[weekday], day);
        }
        break;
      case u'M':
        if (run <= 2) {
          out += Padded(month, run);
        } else {
          out += NameOr(run == 3 ? names.abbreviated_months[month_index] : names.months[month_index], month);
        }
        break;
      case u'y':
        out += run <= 2 ? Padded(year % 100, run) : Decimal(year);
        break;
      case u'g':
        break;
      default:
        out.append(run, c);
    }
    i += run;
  }
  return out;
}

}  // namespace mv
