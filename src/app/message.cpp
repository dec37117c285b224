#include "app/message.h"

#include "app/install_context.h"

namespace mv {

int ShowMessage(const std::u16string& text, const std::u16string& caption, UINT style) {
  const InstallContext& c = Context();
  if (c.options.SilentMode) return 0;
  return MessageBoxW(c.background_window, W(text), W(caption), style | MB_SETFOREGROUND);
}

void ShowError(const std::u16string& text) {
  const InstallContext& c = Context();
  if (c.options.AutomaticMode && !c.messages_in_automatic_mode) return;
  ShowMessage(text, ErrorCaption(), MB_OK | MB_ICONERROR);
}

std::u16string ErrorCaption() {
  std::u16string caption = LanguageText(21);
  return caption.empty() ? u"Error" : caption;
}

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

}  // namespace mv
