#include "ui/message_box.h"

#include <algorithm>

namespace mv {

namespace {

const MessageButton kOk{u"&OK", kResultOk};
const MessageButton kCancel{u"&Cancel", kResultCancel};
const MessageButton kAbort{u"&Abort", kResultAbort};
const MessageButton kRetry{u"&Retry", kResultRetry};
const MessageButton kIgnore{u"&Ignore", kResultIgnore};
const MessageButton kYes{u"&Yes", kResultYes};
const MessageButton kNo{u"&No", kResultNo};
const MessageButton kYesToAll{u"Yes to all", kResultYesToAll};
const MessageButton kNoToAll{u"No to all", kResultNoToAll};

// Yes, No and the optional "to all" buttons of sets 3 and 4, with the labels given.
std::vector<MessageButton> YesNoButtons(std::uint32_t style, const MessageButton& yes, const MessageButton& yes_all,
                                        const MessageButton& no, const MessageButton& no_all) {
  std::vector<MessageButton> b{yes};
  if (style & kBoxYesToAll) b.push_back(yes_all);
  b.push_back(no);
  if (style & kBoxNoToAll) b.push_back(no_all);
  return b;
}

std::vector<MessageButton> StandardButtons(std::uint32_t style) {
  switch (style & kBoxButtonSetMask) {
    case 1: return {kOk, kCancel};
    case 2: return {kAbort, kRetry, kIgnore};
    case 3: {
      auto b = YesNoButtons(style, kYes, kYesToAll, kNo, kNoToAll);
      b.push_back(kCancel);
      return b;
    }
    case 4: return YesNoButtons(style, kYes, kYesToAll, kNo, kNoToAll);
    case 5: return {kRetry, kCancel};
    case 6: return {kCancel, {u"&Retry", kResultTryAgain}, {u"Continue", kResultContinue}};
    case 7: return {{u"&Continue", kResultContinue}, kAbort};
    default: return {kOk};  // set 0, and the sets the system does not define
  }
}

bool HasResult(const std::vector<MessageButton>& buttons, int result) {
  return std::any_of(buttons.begin(), buttons.end(), [&](const MessageButton& b) { return b.result == result; });
}

// The language's label for a standard button, or the standard label when the language has none.
MessageButton Labelled(const LanguageTextFn& text, int number, const MessageButton& standard) {
  std::u16string label = text ? text(number) : std::u16string();
  return {label.empty() ? standard.label : label, standard.result};
}

}  // namespace

BoxButtons MakeBoxButtons(std::uint32_t style, const std::vector<MessageButton>& custom) {
  BoxButtons box;
  box.buttons = custom.empty() ? StandardButtons(style) : custom;
  if (style & kBoxHelp) {
    int next = 0;
    for (const auto& b : box.buttons) next = std::max(next, b.result);
    box.help_index = box.buttons.size();
    box.buttons.push_back({u"&Help", next + 1});
  }
  const std::size_t wanted = (style & kBoxDefaultMask) >> 8;  // 0 or 6 and above: the first
  box.default_index = wanted >= 1 && wanted <= 5 && wanted < box.buttons.size() ? wanted : 0;
  box.style = box.buttons.size() < 2 ? style | kBoxFewButtons : style & ~kBoxFewButtons;
  return box;
}

BoxIcon IconOfStyle(std::uint32_t style) {
  switch (style & kBoxIconMask) {
    case 0x10: return BoxIcon::kError;
    case 0x20: return BoxIcon::kQuestion;
    case 0x30: return BoxIcon::kWarning;
    case 0x40: return BoxIcon::kInformation;
    default: return BoxIcon::kNone;
  }
}

BoxColors ResolveBoxColors(const BoxColors& wanted, const SystemColors& system) {
  constexpr std::uint32_t kMax = 0xFFFFFF;
  BoxColors c = wanted;
  if (c.text > kMax) c.text = system.window_text;
  if (c.background > kMax) c.background = system.window;
  if (c.button > kMax) c.button = system.button_face.value_or(0xF0F0F0);
  return c;
}

std::uint32_t FallbackStyle(std::uint32_t style, const std::vector<MessageButton>& custom) {
  std::uint32_t set = style & kBoxButtonSetMask;
  if (set == 0 && !custom.empty()) {
    auto has = [&](int r) { return HasResult(custom, r); };
    if (has(kResultAbort) && has(kResultRetry) && has(kResultIgnore)) set = 2;
    else if (has(kResultRetry) && has(kResultCancel)) set = 5;
    else if (has(kResultYes) && has(kResultNo)) set = has(kResultCancel) ? 3 : 4;
    else if (has(kResultCancel)) set = 1;
  } else if (set == 7) {
    set = 1;  // the system has no Continue/Abort set
  } else if (set > 7) {
    set = 0;
  }
  return (style & ~(kBoxButtonSetMask | kBoxOwnBits)) | set;
}

int FallbackResult(std::uint32_t style, int system_result) {
  if ((style & kBoxButtonSetMask) != 7) return system_result;
  if (system_result == kResultOk) return kResultContinue;
  if (system_result == kResultCancel) return kResultAbort;
  return system_result;
}

WrappedBox WrapMessage(std::uint32_t style, const LanguageTextFn& text) {
  const std::uint32_t set = style & kBoxButtonSetMask;
  const std::uint32_t cleared = style & ~kBoxButtonSetMask;
  switch (set) {
    case 0: return {cleared, {{u"OK", kResultOk}}};
    case 4:
      return {cleared, YesNoButtons(style, Labelled(text, 79, kYes), Labelled(text, 115, kYesToAll),
                                    Labelled(text, 80, kNo), Labelled(text, 116, kNoToAll))};
    case 5: return {cleared, {Labelled(text, 100, kRetry), Labelled(text, 49, kCancel)}};
    default: return {style, {}};
  }
}

WrappedBox WrapQuestion(const LanguageTextFn& text) {
  return {0x20, {Labelled(text, 79, kYes), Labelled(text, 80, kNo)}};
}

WrappedBox WrapOkCancel(std::uint32_t style, const LanguageTextFn& text) {
  return {(style & ~(kBoxButtonSetMask | kBoxIconMask)) | 0x20,
          {{u"OK", kResultOk}, Labelled(text, 49, kCancel)}};
}

std::u16string ErrorCaption(const LanguageTextFn& text) {
  std::u16string caption = text ? text(21) : std::u16string();
  return caption.empty() ? u"Error" : caption;
}

std::int32_t EffectiveDialogZoom(std::int32_t dialog_zoom) {
  return dialog_zoom < 1 ? 100 : std::clamp<std::int32_t>(dialog_zoom, 50, 150);
}

int BoxFontPoints(std::int32_t dialog_zoom) { return (EffectiveDialogZoom(dialog_zoom) * 13 + 50) / 100; }

BoxColors DialogColors(const Settings& settings, std::uint32_t product_flags2) {
  BoxColors c;
  if (settings.ProductFlags & kFlagDialogColours) {
    c.text = settings.DialogFG;
    c.background = settings.DialogBG;
  }
  if (product_flags2 & kFlags2ButtonColours) c.button = settings.ButtonBG;
  return c;
}

namespace {

// Design sizes at 96 pixels per inch.
constexpr int kMargin = 12;
constexpr int kIconGap = 12;
constexpr int kCheckGap = 12;
constexpr int kButtonsGap = 18;
constexpr int kButtonSpacing = 8;
constexpr int kButtonPadding = 16;
constexpr int kMinButtonWidth = 80;
constexpr int kMinButtonHeight = 26;
constexpr int kGlyphGap = 6;
constexpr int kMinContentWidth = 180;

}  // namespace

BoxLayout LayoutMessageBox(const BoxMeasures& m) {
  auto s = [&](int v) { return ScaleForDpi(v, m.dpi); };
  BoxLayout l;
  const int margin = s(kMargin);
  const bool has_icon = m.icon.cx > 0 && m.icon.cy > 0;
  const int text_x = has_icon ? margin + m.icon.cx + s(kIconGap) : margin;

  // The text beside the icon, centred on it when the icon is the taller.
  const int block = std::max(has_icon ? m.icon.cy : 0, m.text.cy);
  if (has_icon) l.icon = RectAt(margin, margin, m.icon.cx, m.icon.cy);
  l.text = RectAt(text_x, margin + (block - m.text.cy) / 2, m.text.cx, m.text.cy);
  int bottom = margin + block;
  int content_right = l.text.right;

  if (m.check) {
    const int height = std::max({m.check_glyph, m.check->cy, m.line_height});
    l.check = RectAt(text_x, bottom + s(kCheckGap), m.check_glyph + s(kGlyphGap) + m.check->cx, height);
    bottom = l.check.bottom;
    content_right = std::max(content_right, l.check.right);
  }

  const int button_height = std::max(s(kMinButtonHeight), m.line_height + s(10));
  std::vector<int> widths;
  int row = 0;
  for (int label : m.label_widths) {
    widths.push_back(std::max(s(kMinButtonWidth), label + 2 * s(kButtonPadding)));
    row += widths.back();
  }
  if (!widths.empty()) row += static_cast<int>(widths.size() - 1) * s(kButtonSpacing);

  const int content = std::max({content_right - margin, row, s(kMinContentWidth)});
  l.client.cx = margin + content + margin;
  const int row_y = bottom + s(kButtonsGap);
  int x = widths.size() == 1 ? (l.client.cx - row) / 2 : l.client.cx - margin - row;
  for (int w : widths) {
    l.buttons.push_back(RectAt(x, row_y, w, button_height));
    x += w + s(kButtonSpacing);
  }
  l.client.cy = row_y + button_height + margin;
  return l;
}

int MaxTextWidth(int dpi, int work_width) {
  const int preferred = ScaleForDpi(520, dpi);
  const int room = work_width * 3 / 4 - ScaleForDpi(80, dpi);
  return std::max(ScaleForDpi(160, dpi), std::min(preferred, room));
}

Rect PlaceBox(const Rect& area, Size window) {
  Rect r = CentreIn(area, window);
  const int dx = r.right > area.right ? area.right - r.right : 0;
  const int dy = r.bottom > area.bottom ? area.bottom - r.bottom : 0;
  r = RectAt(std::max(r.left + dx, area.left), std::max(r.top + dy, area.top), window.cx, window.cy);
  return r;
}

}  // namespace mv
