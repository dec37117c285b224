// Conversions between the text forms the runtime handles: UTF-16 (std::u16string), UTF-8 and
// 8-bit text (std::string). Invalid sequences become U+FFFD; nothing here throws on bad input.
#pragma once

#include <string>
#include <string_view>

namespace mv {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// ASCII-only case folding, used wherever the format compares names "without regard to case".
char16_t AsciiLower(char16_t c);
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace mv
