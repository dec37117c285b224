// Messages, questions and errors for the person at the screen, reachable from every layer. The user
// interface installs the handler that shows them (its own message box) at start-up; until a handler
// is installed every call answers at once as in a silent run, so code below the user interface and
// its tests never wait on a window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/format.h"

namespace mv {

// Style words: the system's message-box bits (button set, icon, default button) and the box's own
// "to all" buttons.
inline constexpr std::uint32_t kPromptOk = 0x0;
inline constexpr std::uint32_t kPromptOkCancel = 0x1;
inline constexpr std::uint32_t kPromptAbortRetryIgnore = 0x2;
inline constexpr std::uint32_t kPromptYesNoCancel = 0x3;
inline constexpr std::uint32_t kPromptYesNo = 0x4;
inline constexpr std::uint32_t kPromptRetryCancel = 0x5;
inline constexpr std::uint32_t kPromptIconError = 0x10;
inline constexpr std::uint32_t kPromptIconQuestion = 0x20;
inline constexpr std::uint32_t kPromptIconWarning = 0x30;
inline constexpr std::uint32_t kPromptIconInformation = 0x40;
inline constexpr std::uint32_t kPromptDefaultSecond = 0x100;
inline constexpr std::uint32_t kPromptYesToAll = 0x08000000;
inline constexpr std::uint32_t kPromptNoToAll = 0x10000000;

enum class PromptKind { kMessage, kQuestion, kError, kOkCancel, kChoice };

struct Prompt {
  PromptKind kind = PromptKind::kMessage;
  std::u16string text;
  std::u16string caption;  // kError: chosen by the handler
  std::uint32_t style = 0;
  void* owner = nullptr;  // a window; empty for the default owner
  std::u16string first, second;  // kChoice: the labels of its two buttons (results 1 and 2)
};

// Shows a prompt and returns the result number of the button pressed.
using PromptHandler = std::function<int(const Prompt&)>;

// Installs `handler` (an empty one restores the silent answers) and returns the one it replaces.
PromptHandler SetPromptHandler(PromptHandler handler);

// A message; returns the button's result number (1 in a silent run). Yes/No and Retry/Cancel sets
// get labels in the installation's language.
int ShowMessage(const std::u16string& text, const std::u16string& caption, std::uint32_t style,
                void* owner = nullptr);
// A Yes/No question; true for Yes (and in a silent run).
bool ShowQuestion(const std::u16string& text, const std::u16string& caption);
// An error box: not in a silent run; in an automatic run only when the package asks for it.
void ShowError(const std::u16string& text);
// The same with `format`'s one directive replaced by `argument` (see FormatText).
void ShowError(std::u16string_view format, const FormatArg& argument);
// OK and Cancel with the question icon; true for OK (and in a silent run).
bool ShowOkCancel(const std::u16string& text, const std::u16string& caption, std::uint32_t style,
                  void* owner = nullptr);
// A question with two labelled buttons; true for the first. A silent run is never asked: false.
bool ShowChoice(const std::u16string& text, const std::u16string& caption, const std::u16string& first,
                const std::u16string& second);

}  // namespace mv
