// Dates written with the system's short-date picture patterns.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mv {

// --- Dates --------------------------------------------------------------------------------------

// Month and day names of the user's locale; an empty name is written as its number instead.
struct DateNames {
  std::array<std::u16string, 12> months, abbreviated_months;  // January first
  std::array<std::u16string, 7> days, abbreviated_days;       // Monday first
};

// A date written with a short-date pattern of the system's picture form: d dd ddd dddd, M MM MMM
// MMMM, y yy yyyy (yyy and longer runs give the full year), g/gg (era, left out), text between
// single quotes literal ('' is one quote), every other character as it is.
std::u16string FormatShortDate(std::u16string_view pattern, int year, int month, int day,
                               const DateNames& names = {});

// --- File dates ---------------------------------------------------------------------------------

// A file's date and time as six signed fields (UTC): month 0 means no date, a negative hour no time.
struct FileDateTime {
  std::int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool HasDate() const { return month != 0; }
  bool HasTime() const { return hour >= 0; }
  bool Complete() const { return HasDate() && HasTime(); }
  bool operator==(const FileDateTime&) const = default;
};

// Whether year/month/day names a day of the Gregorian calendar (month 1-12, day within its month).
bool IsRealDate(std::int64_t year, std::int64_t month, std::int64_t day);

// Orders two file dates: a date sorts before no date; on equal dates a missing time sorts after a
// present one (two missing times are equal); times less than 2 seconds apart are equal. Negative,
// zero or positive like a comparison function.
int CompareFileDateTime(const FileDateTime& a, const FileDateTime& b);

// The text form "2026/12/07 14:05:09".
std::u16string FileDateTimeText(const FileDateTime& date);

// Reads "yyyy/mm/dd" with an optional " hh:mm:ss" (digits may be unpadded). A time outside 0:00:00
// to 23:59:59 is dropped (hour -1); nullopt when the text is not of that form or the day does not
// exist.
std::optional<FileDateTime> ParseFileDateTime(std::string_view text);

}  // namespace mv
