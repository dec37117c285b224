#include "context/prompt.h"

#include <utility>

namespace mv {

namespace {

// The one process-wide handler; the user interface installs it once at start-up, on the main thread.
PromptHandler& Handler() {
  static PromptHandler handler;
  return handler;
}

// The answer of a silent run for each kind: OK, Yes, nothing shown, OK.
int Ask(Prompt prompt) {
  const PromptHandler& handler = Handler();
  if (handler) return handler(prompt);
  if (prompt.kind == PromptKind::kChoice) return 2;
  return prompt.kind == PromptKind::kQuestion ? 6 : prompt.kind == PromptKind::kError ? 0 : 1;
}

}  // namespace

PromptHandler SetPromptHandler(PromptHandler handler) { return std::exchange(Handler(), std::move(handler)); }

int ShowMessage(const std::u16string& text, const std::u16string& caption, std::uint32_t style, void* owner) {
  return Ask({PromptKind::kMessage, text, caption, style, owner, {}, {}});
}

bool ShowQuestion(const std::u16string& text, const std::u16string& caption) {
  return Ask({PromptKind::kQuestion, text, caption, kPromptYesNo | kPromptIconQuestion, nullptr, {}, {}}) == 6;
}

void ShowError(const std::u16string& text) { Ask({PromptKind::kError, text, {}, kPromptOk | kPromptIconError, nullptr, {}, {}}); }

void ShowError(std::u16string_view format, const FormatArg& argument) { ShowError(FormatText(format, {argument})); }

bool ShowOkCancel(const std::u16string& text, const std::u16string& caption, std::uint32_t style, void* owner) {
  return Ask({PromptKind::kOkCancel, text, caption, style, owner, {}, {}}) == 1;
}

bool ShowChoice(const std::u16string& text, const std::u16string& caption, const std::u16string& first,
                const std::u16string& second) {
  return Ask({PromptKind::kChoice, text, caption, kPromptIconQuestion, nullptr, first, second}) == 1;
}

}  // namespace mv
