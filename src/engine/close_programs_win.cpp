#include "engine/close_programs_win.h"

#include <windows.h>

#include "base/format.h"
#include "context/install_context_win.h"
#include "context/prompt.h"
#include "engine/close_programs.h"
#include "lib/handle_win.h"
#include "lib/launch_win.h"

namespace mv {
namespace {

std::u16string WindowText(HWND window, bool class_name) {
  wchar_t buffer[512] = {};
  const int n = class_name ? GetClassNameW(window, buffer, 512) : GetWindowTextW(window, buffer, 512);
  return std::u16string(reinterpret_cast<const char16_t*>(buffer), n > 0 ? static_cast<std::size_t>(n) : 0);
}

// False when the user cancelled.
bool AskUntilClosed(HWND window, const AutoCloseEntry& entry, const CloseTexts& texts) {
  if (Context().options.SilentMode) return true;
  while (IsWindow(window)) {
    const std::u16string text = FormatText(LanguageText(texts.ask_text), {FormatArg(entry.program_name)});
    const int answer = ShowMessage(text, LanguageText(texts.ask_caption), kPromptRetryCancel | kPromptIconWarning);
    if (answer == IDCANCEL) return false;
    PumpWindowMessages();
  }
  return true;
}

bool Act(HWND window, const AutoCloseEntry& entry, const CloseTexts& texts) {
  switch (entry.action) {
    case kCloseActionClose:
    case kCloseActionQuit:
      if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
      ShowWindow(window, SW_SHOW);
      SendMessageTimeoutW(window, WM_SHOWWINDOW, TRUE, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
      SetForegroundWindow(window);
      PostMessageW(window, entry.action == kCloseActionClose ? WM_CLOSE : WM_QUIT, 0, 0);
      break;
    case kCloseActionAsk:
      return AskUntilClosed(window, entry, texts);
    case kCloseActionTerminate: {
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid));
      if (process) TerminateProcess(process.get(), 0);
      break;
    }
    default:
      break;
  }
  return true;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

}  // namespace

bool CloseRunningPrograms(const std::vector<AutoCloseEntry>& entries, std::uint32_t phase, const CloseTexts& texts) {
  if (entries.empty()) return true;
  // The windows are gathered first: acting on them changes the list the system enumerates.
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  const DWORD self = GetCurrentProcessId();
  for (HWND w : windows) {
    if (!IsWindow(w)) continue;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    const std::optional<std::size_t> index =
        FindCloseEntry(entries, phase, WindowText(w, true), WindowText(w, false), pid == self);
    if (index && !Act(w, entries[*index], texts)) return false;
  }
  return true;
}

}  // namespace mv
