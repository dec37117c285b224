// mvbox: shows the installer's own message box, for the end-to-end tests that drive it with mvui.
//
//   mvbox [--silent] [--caption C] [--text T] [--style N] [--button LABEL=RESULT]... [--check LABEL]
//
// Exits with the result number of the button pressed, plus 0x10000 when the check box was ticked.
#include <windows.h>

#include <cwchar>
#include <string>

#include "context/install_context_win.h"
#include "ui/message_box_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const int argc = __argc;
  wchar_t** argv = __wargv;
  auto text16 = [](const std::wstring& s) { return std::u16string(s.begin(), s.end()); };
  std::u16string caption = u"mvbox", text;
  std::uint32_t style = 0;
  mv::MessageBoxSpec spec;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--silent") {
      mv::Context().options.SilentMode = true;
      continue;
    }
    if (i + 1 >= argc) return 255;
    const std::wstring v = argv[++i];
    if (a == L"--caption") caption = text16(v);
    else if (a == L"--text") text = text16(v);
    else if (a == L"--style") style = static_cast<std::uint32_t>(std::wcstoul(v.c_str(), nullptr, 0));
    else if (a == L"--check") spec.check_label = text16(v);
    else if (a == L"--button") {
      const std::size_t eq = v.rfind(L'=');
      if (eq == std::wstring::npos) return 255;
      spec.buttons.push_back({text16(v.substr(0, eq)), static_cast<int>(std::wcstol(v.c_str() + eq + 1, nullptr, 0))});
    } else {
      return 255;
    }
  }
  const int result = mv::ShowMessageBox(nullptr, text, caption, style, spec);
  return result + (spec.checked ? 0x10000 : 0);
}
