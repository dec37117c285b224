// Real numbers as text and back: the shortest decimal text that reads back to the same double, and
// the reading of such a text. The digits come from the C library's printf, which the runtime carries
// anyway; which double a decimal number reads as is decided with exact whole-number arithmetic, so the
// results do not depend on the C library's strtod or on the locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mv {

// The shortest decimal text that reads back to exactly `value` ("12", "0.1", "1.5", "-0"), in fixed or
// in scientific notation, whichever is shorter and fixed when both are as long ("1e+20", "1e-07",
// "0.001"); a fixed integer shows its exact digits. "inf", "-inf", "nan" and "-nan" otherwise.
std::string RealText(double value);

// The number a text reads as; nothing unless the whole text is a number: an optional "-", then digits
// with an optional "." (at least one digit), then an optional exponent ("e" or "E", an optional sign
// and digits); or "inf", "infinity", "nan" or "nan(" letters, digits and "_" ")" in any letter case.
// Nothing either when the number is too large for a double, or is not zero but too small for one.
// Rounds to the nearest double, as RealText's texts need to read back exactly.
std::optional<double> ParseRealText(std::u16string_view text);

}  // namespace mv
