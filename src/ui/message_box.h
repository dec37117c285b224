// The decisions behind the installer's own message box: which buttons a style word and a list of
// custom buttons give, which is the default, which icon, which colours, how the box is laid out,
// and how the system's message box stands in when the own box cannot be built. Plain data in and
// out; message_box_win.cpp shows the box.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "package/settings.h"
#include "ui/geometry.h"

namespace mv {

// Bits of the style word: the system's message-box bits plus three of the box's own.
inline constexpr std::uint32_t kBoxButtonSetMask = 0x0000000F;
inline constexpr std::uint32_t kBoxIconMask = 0x000000F0;
inline constexpr std::uint32_t kBoxDefaultMask = 0x00000F00;
inline constexpr std::uint32_t kBoxHelp = 0x00004000;
inline constexpr std::uint32_t kBoxFewButtons = 0x04000000;  // set by the box: fewer than two buttons
inline constexpr std::uint32_t kBoxYesToAll = 0x08000000;
inline constexpr std::uint32_t kBoxNoToAll = 0x10000000;
inline constexpr std::uint32_t kBoxOwnBits = kBoxFewButtons | kBoxYesToAll | kBoxNoToAll;

// Result numbers of the standard buttons.
enum BoxResult : int {
  kResultOk = 1,
  kResultCancel = 2,
  kResultAbort = 3,
  kResultRetry = 4,
  kResultIgnore = 5,
  kResultYes = 6,
  kResultNo = 7,
  kResultTryAgain = 10,
  kResultContinue = 11,
  kResultYesToAll = 19,
  kResultNoToAll = 20,
};

struct MessageButton {
  std::u16string label;
  int result = 0;
  int image = 0;  // resource number of a bitmap shown on the button; 0 for none
  bool operator==(const MessageButton&) const = default;
};

struct BoxButtons {
  std::vector<MessageButton> buttons;  // in order, left to right
  std::size_t default_index = 0;       // the button Enter presses
  std::optional<std::size_t> help_index;  // the help button, which opens help and leaves the box open
  std::uint32_t style = 0;             // the style word with kBoxFewButtons set when it applies
};

// The buttons of a box: the custom buttons when there are any, else the standard set of the style
// word (with "Yes to all"/"No to all" for bits 27 and 28); then "&Help" with the next result number
// above every other one when the help bit is set. The default button comes from bits 8-11 and is the
// first when the named one does not exist.
BoxButtons MakeBoxButtons(std::uint32_t style, const std::vector<MessageButton>& custom);

enum class BoxIcon { kNone, kError, kQuestion, kWarning, kInformation };
BoxIcon IconOfStyle(std::uint32_t style);

// Colours as 0x00BBGGRR; a value above 0xFFFFFF (such as -1) means "the system's colour".
struct BoxColors {
  std::uint32_t text = 0xFFFFFFFF, background = 0xFFFFFFFF, button = 0xFFFFFFFF;
  bool operator==(const BoxColors&) const = default;
};
struct SystemColors {
  std::uint32_t window_text = 0, window = 0xFFFFFF;
  std::optional<std::uint32_t> button_face;  // empty when the system has none
};
BoxColors ResolveBoxColors(const BoxColors& wanted, const SystemColors& system);

// The system message box that stands in for the own box: its style word (the box's own bits
// removed, a button set derived from the custom buttons' results when the style word names none,
// set 7 shown as OK/Cancel) ...
std::uint32_t FallbackStyle(std::uint32_t style, const std::vector<MessageButton>& custom);
// ... and the result the caller gets for the system box's answer (set 7: OK is 11, Cancel is 3).
int FallbackResult(std::uint32_t style, int system_result);

// The wrappers' boxes: the texts of the current language by number (empty when the language has
// none; the standard label then stands in).
using LanguageTextFn = std::function<std::u16string(int)>;

struct WrappedBox {
  std::uint32_t style = 0;
  std::vector<MessageButton> buttons;
};
// ShowMessage: Yes/No (set 4) and Retry/Cancel (set 5) become labelled buttons in the installation's
// language, OK (set 0) one "OK" button; their set bits are cleared. Other sets keep their standard
// buttons.
WrappedBox WrapMessage(std::uint32_t style, const LanguageTextFn& text);
// ShowQuestion: Yes and No in the installation's language, the question icon.
WrappedBox WrapQuestion(const LanguageTextFn& text);
// ShowOkCancel: "OK" and the language's Cancel, the question icon in place of any other.
WrappedBox WrapOkCancel(std::uint32_t style, const LanguageTextFn& text);
// The caption of error boxes: text 21, or "Error".
std::u16string ErrorCaption(const LanguageTextFn& text);

// The dialog zoom in percent as every window of the installer takes it: below 1 it is 100,
// otherwise within 50..150.
std::int32_t EffectiveDialogZoom(std::int32_t dialog_zoom);
// The box's font size for the wrappers: 0.13 x the dialog zoom, rounded (13 points at 100 %). The
// zoom is taken as the wizard takes it: below 1 it is 100, otherwise within 50..150.
int BoxFontPoints(std::int32_t dialog_zoom);
// The package's dialog colours for the wrappers' boxes: text and background when ProductFlags bit 4
// is set, the button colour when ProductFlags2 bit 25 is; the system's colours otherwise.
BoxColors DialogColors(const Settings& settings, std::uint32_t product_flags2);

// Layout of the box, all in client pixels at the box's DPI.
struct BoxMeasures {
  int dpi = 96;
  Size text;                      // the wrapped text's extent
  Size icon;                      // {0,0} without an icon
  std::vector<int> label_widths;  // one per button
  int line_height = 0;            // one line of the box's font
  std::optional<Size> check;      // the check box's label extent, when there is one
  int check_glyph = 0;            // the check mark square's side
};
struct BoxLayout {
  Size client;
  Rect text, icon, check;
  std::vector<Rect> buttons;
};
// The text (beside the icon), the check box under it and the row of buttons below, centred when it
// is a lone button and right-aligned otherwise; the client area is as large as its contents.
BoxLayout LayoutMessageBox(const BoxMeasures& m);
// The widest the text may be before it wraps, for a work area `work_width` pixels wide.
int MaxTextWidth(int dpi, int work_width);

// Where the box goes: centred in `area`, then moved inside it so that its caption stays reachable.
Rect PlaceBox(const Rect& area, Size window);

}  // namespace mv
