#include "lib/wide_win.h"

#include "base/codepage.h"

namespace mv {

std::u16string SystemErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  return U(text);
}

std::string ToCodePage(unsigned code_page, std::u16string_view text) {
  if (text.empty()) return {};
  const unsigned actual = code_page == CP_ACP ? GetACP() : code_page;
  // Where the code page refuses these, asking for them makes the conversion fail altogether.
  const bool strict = CodePageTakesDefaultChar(actual);
  const DWORD flags = strict ? WC_NO_BEST_FIT_CHARS : 0;
  const char* default_char = strict ? "?" : nullptr;
  auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(actual, flags, wide, length, nullptr, 0, default_char, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(actual, flags, wide, length, out.data(), n, default_char, nullptr);
  return out;
}

}  // namespace mv
