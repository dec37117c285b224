#include "ui/message_win.h"

#include "context/install_context_win.h"
#include "lib/wide_win.h"

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

}  // namespace mv
