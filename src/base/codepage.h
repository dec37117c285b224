// Windows-1252, the fixed 8-bit code page of the package's batch texts, old logs and report texts,
// and the NarrowPath form used for paths in records and files. Portable: no system code page here.
#pragma once

#include <string>
#include <string_view>

namespace mv {

// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in Windows-1252; like Windows, they map to
// the C1 controls of the same value (and back), so every byte string round-trips.
std::u16string Cp1252ToUtf16(std::string_view text);

// Characters that Windows-1252 cannot hold become "?", one per character (a surrogate pair is one).
std::string Utf16ToCp1252(std::u16string_view text);

// The 8-bit form of a path or text: unchanged when every character is below 128, otherwise "|"
// followed by UTF-8.
std::string ToNarrowPath(std::u16string_view text);

// Whether the system's conversion into `code_page` accepts the flag that refuses best-fit characters
// and a default character of our choosing. UTF-8, UTF-7, GB18030, the ISO-2022 and ISCII code pages
// and the symbol code page refuse both: a conversion asking for them there fails and yields nothing.
bool CodePageTakesDefaultChar(unsigned code_page);

}  // namespace mv
