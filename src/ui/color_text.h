// Colours written as text, as the uninstaller finds them among the product's registry values:
// "#abc" or "abc" (three hexadecimal digits: red, green, blue, each digit doubled) or "a0b1c2"
// (two digits per channel, red first), with an optional leading "#".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace mv {

// The colour as 0x00BBGGRR, or nothing when the text is not one of the forms above.
std::optional<std::uint32_t> ParseColorText(std::u16string_view text);

}  // namespace mv
