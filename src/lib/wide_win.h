// The bridge between portable UTF-16 text (std::u16string) and the wide strings of Win32 calls, and
// the system's text for an error number.
#pragma once

#include <windows.h>

#include <string>

namespace mv {

inline const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline std::u16string U(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

// The system's text for an error number, without the trailing line break.
std::u16string SystemErrorText(DWORD error);

}  // namespace mv
