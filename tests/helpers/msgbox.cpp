// msgbox: shows a system message box (OK and Cancel) with the given caption and text, and exits with
// the button that closed it (IDOK 1, IDCANCEL 2). Used to test the UI helper against a real window.
#include <windows.h>

#include <cstdlib>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = __argc;
  wchar_t** argv = __wargv;
  const wchar_t* caption = argc > 1 ? argv[1] : L"msgbox";
  const wchar_t* text = argc > 2 ? argv[2] : L"";
  return MessageBoxW(nullptr, text, caption, MB_OKCANCEL | MB_ICONINFORMATION);
}
