#include "ui/gdi_win.h"

namespace mv {

int DpiOf(HWND window) {
  // GetDpiForWindow exists from Windows 10 version 1607 on; before that every monitor has the
  // system's DPI.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (window && get_dpi)
    if (UINT dpi = get_dpi(window)) return static_cast<int>(dpi);
  WindowDC screen(nullptr);
  int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

}  // namespace mv
