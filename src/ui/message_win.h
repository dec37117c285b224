// Messages to the user through the system message box. Nothing is shown in silent mode.
#pragma once

#include <windows.h>

#include <string>

namespace mv {

// Shows `text` with `caption` and the MB_ style flags; returns the button pressed, or 0 when nothing
// was shown (silent mode).
int ShowMessage(const std::u16string& text, const std::u16string& caption, UINT style);

// An error box for a failed start-up check: shown unless silent; in automatic mode only when the
// package asks for messages in automatic mode.
void ShowError(const std::u16string& text);

// Caption of error boxes: language text 21, or "Error".
std::u16string ErrorCaption();

}  // namespace mv
