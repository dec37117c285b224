// Ordering of version texts such as "50.0", "1.2.10" or "2.0b": the dot-separated numbers compare
// numerically, then the suffix letter breaks a tie. Used for the package header check, file
// overwrite rules, upgrade/downgrade decisions and the prerequisite product's minimum version.
#pragma once

#include <string_view>

namespace mv {

// Negative when `a` is older than `b`, zero when they are the same version, positive when newer.
//
// Each text is scanned left to right: every run of digits appends one number to the text's list
// (numbers of any length, compared by value, so "007" == "7"); an ASCII letter sets the suffix letter
// (the last one wins); a "." seen while the list is still empty appends 0; any other character is
// skipped. Lists compare element by element; a list that is a prefix of the other is older ("1" <
// "1.0"); equal lists are ordered by suffix letter code, no letter counting as 0 ("2.0" < "2.0a" <
// "2.0b").
int CompareVersions(std::string_view a, std::string_view b);
int CompareVersions(std::u16string_view a, std::u16string_view b);

}  // namespace mv
