// The installer's own message box: a modal dialog of real controls (a static text, push buttons
// whose control numbers are their result numbers, an optional check box) in the installer's font,
// sized to its text at the monitor's DPI. The system's message box stands in when it cannot be
// built.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/message_box.h"

namespace mv {

// Control numbers of the parts of the box that are not buttons (buttons use their result numbers).
inline constexpr int kBoxTextId = 0xFFFF;
inline constexpr int kBoxIconId = 0xFFFE;
inline constexpr int kBoxCheckId = 0xFFFD;

struct MessageBoxSpec {
  std::vector<MessageButton> buttons;  // custom buttons; when any, the style word's set is not added
  std::u16string font;                 // empty: the system's message font, else "MS Shell Dlg 2"
  double points = 13.0;
  BoxColors colors;       // -1 (any value above 0xFFFFFF): the system's colour
  int icon_resource = 0;  // an icon of the executable shown instead of the style word's icon
  std::optional<std::u16string> check_label;
  bool checked = false;  // the check box's state: in at the start, out when the box ends
  std::u16string help_file;
  UINT help_command = 0;
  ULONG_PTR help_data = 0;
};

// Shows the box modally over `owner` and returns the result number of the button pressed (2 for
// Escape and the close box). In a silent run nothing is shown and the default button's result is
// returned.
int ShowMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, std::uint32_t style,
                   MessageBoxSpec& spec);

// A spec for a box of the installation: `buttons` in the dialog font, size and colours of the
// package (as ShowMessage uses them).
MessageBoxSpec InstallationBoxSpec(std::vector<MessageButton> buttons);

// The caption of error boxes in the installation's language: text 21, or "Error".
std::u16string ErrorCaption();

// Installs the handler that shows ShowMessage, ShowQuestion, ShowError and ShowOkCancel (from
// context/prompt.h) in this box. Called once at start-up.
void InstallMessageBoxes();

}  // namespace mv
