// Dates written with the system's short-date picture patterns.
#pragma once

#include <array>
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

}  // namespace mv
