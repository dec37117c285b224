// The bridge between portable UTF-16 text (std::u16string) and the wide strings of Win32 calls, and
// the system's text for an error number.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace mv {

inline const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline std::u16string U(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

// `text` in the 8-bit `code_page` (CP_ACP for the ANSI code page). Characters the code page cannot hold
// become "?" where the code page allows a default character; UTF-8 and the like hold every character.
std::string ToCodePage(unsigned code_page, std::u16string_view text);

// The system's text for an error number, without the trailing line break.
std::u16string SystemErrorText(DWORD error);

}  // namespace mv
