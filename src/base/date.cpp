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

bool IsRealDate(std::int64_t year, std::int64_t month, std::int64_t day) {
  if (month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

int CompareFileDateTime(const FileDateTime& a, const FileDateTime& b) {
  if (a.HasDate() != b.HasDate()) return a.HasDate() ? -1 : 1;
  if (a.HasDate()) {
    if (a.year != b.year) return a.year < b.year ? -1 : 1;
    if (a.month != b.month) return a.month < b.month ? -1 : 1;
    if (a.day != b.day) return a.day < b.day ? -1 : 1;
  }
  if (a.HasTime() != b.HasTime()) return a.HasTime() ? -1 : 1;
  if (!a.HasTime()) return 0;
  const auto seconds = [](const FileDateTime& d) {
    return (std::int64_t{d.hour} * 60 + d.minute) * 60 + d.second;
  };
  const std::int64_t difference = seconds(a) - seconds(b);
  if (difference > -2 && difference < 2) return 0;
  return difference < 0 ? -1 : 1;
}

std::u16string FileDateTimeText(const FileDateTime& d) {
  return Decimal(d.year) + u"/" + Padded(d.month, 2) + u"/" + Padded(d.day, 2) + u" " + Padded(d.hour, 2) + u":" +
         Padded(d.minute, 2) + u":" + Padded(d.second, 2);
}

std::optional<FileDateTime> ParseFileDateTime(std::string_view text) {
  std::size_t at = 0;
  // A run of 1 to `most` digits; -1 when there is none.
  const auto number = [&](std::size_t most) -> std::int64_t {
    std::int64_t value = 0;
    std::size_t count = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && count < most) {
      value = value * 10 + (text[at++] - '0');
      ++count;
    }
    return count == 0 ? -1 : value;
  };
  const auto expect = [&](char c) { return at < text.size() && text[at++] == c; };
  const std::int64_t year = number(4);
  if (year < 0 || !expect('/')) return std::nullopt;
  const std::int64_t month = number(2);
  if (month < 0 || !expect('/')) return std::nullopt;
  const std::int64_t day = number(2);
  if (day < 0 || !IsRealDate(year, month, day)) return std::nullopt;
  FileDateTime date{static_cast<std::int32_t>(year), static_cast<std::int32_t>(month),
                    static_cast<std::int32_t>(day), -1, 0, 0};
  if (at == text.size()) return date;
  if (!expect(' ')) return std::nullopt;
  const std::int64_t hour = number(2);
  if (hour < 0 || !expect(':')) return std::nullopt;
  const std::int64_t minute = number(2);
  if (minute < 0 || !expect(':')) return std::nullopt;
  const std::int64_t second = number(2);
  if (second < 0 || at != text.size()) return std::nullopt;
  if (hour <= 23 && minute <= 59 && second <= 59) {
    date.hour = static_cast<std::int32_t>(hour);
    date.minute = static_cast<std::int32_t>(minute);
    date.second = static_cast<std::int32_t>(second);
  }
  return date;
}

}  // namespace mv
