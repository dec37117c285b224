#include "ui/message_box_win.h"

#include <commctrl.h>

#include <cmath>
#include <memory>

#include "context/install_context_win.h"
#include "context/prompt.h"
#include "lib/system_library_win.h"
#include "lib/wide_win.h"
#include "ui/gdi_win.h"

namespace mv {

namespace {

// An empty dialog template: the box makes its controls itself once it knows its DPI.
std::vector<WORD> DialogTemplate(const std::u16string& caption) {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
  d->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  d->dwExtendedStyle = WS_EX_DLGMODALFRAME;
  t.push_back(0);  // no menu
  t.push_back(0);  // the standard dialog class
  for (char16_t c : caption) t.push_back(c ? c : u' ');
  t.push_back(0);
  return t;
}

const wchar_t* SystemIconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kError: return IDI_ERROR;
    case BoxIcon::kQuestion: return IDI_QUESTION;
    case BoxIcon::kWarning: return IDI_WARNING;
    case BoxIcon::kInformation: return IDI_INFORMATION;
    default: return nullptr;
  }
}

// One box while it is open.
class Box {
 public:
  Box(const std::u16string& text, std::uint32_t style, MessageBoxSpec& spec, HWND owner)
      : text_(text), spec_(spec), owner_(owner), buttons_(MakeBoxButtons(style, spec.buttons)) {
    icon_kind_ = IconOfStyle(style);
    const SystemColors system{GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW),
                              GetSysColorBrush(COLOR_BTNFACE) ? std::optional<std::uint32_t>(GetSysColor(COLOR_BTNFACE))
                                                              : std::nullopt};
    colors_ = ResolveBoxColors(spec.colors, system);
    background_.reset(CreateSolidBrush(colors_.background));
    button_brush_.reset(CreateSolidBrush(colors_.button));
  }

  // The result number of the button that ended the box; nothing when the box was never shown.
  std::optional<int> result() const { return result_; }

  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(window, DWLP_USER, lparam);
    auto* box = reinterpret_cast<Box*>(GetWindowLongPtrW(window, DWLP_USER));
    return box ? box->Handle(window, message, wparam, lparam) : FALSE;
  }

 private:
  INT_PTR Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case WM_INITDIALOG:
        window_ = window;
        if (!CreateControls() || !Arrange(DpiOf(window), nullptr)) {
          EndDialog(window, 0);
          return TRUE;
        }
        SetForegroundWindow(window);
        SetFocus(button_windows_[buttons_.default_index]);
        return FALSE;  // the focus is set
      case WM_DPICHANGED:
        Arrange(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
        return TRUE;
      case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED) Command(LOWORD(wparam), reinterpret_cast<HWND>(lparam));
        return TRUE;
      case WM_CLOSE:
        End(kResultCancel);
        return TRUE;
      case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(background_.get());
      case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, colors_.text);
        SetBkColor(dc, colors_.background);
        return reinterpret_cast<INT_PTR>(background_.get());
      }
      case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wparam), colors_.button);
        return reinterpret_cast<INT_PTR>(button_brush_.get());
      default:
        return FALSE;
    }
  }

  void Command(int id, HWND control) {
    for (std::size_t i = 0; i < button_windows_.size(); ++i) {
      if (button_windows_[i] != control) continue;
      const MessageButton& b = buttons_.buttons[i];
      if (buttons_.help_index == i) {
        WinHelpW(window_, spec_.help_file.empty() ? nullptr : W(spec_.help_file), spec_.help_command,
                 spec_.help_data);
        return;
      }
      End(b.result);
      return;
    }
    // Escape arrives as the cancel command from the dialog manager, with no control when no button
    // has the cancel number (the check box's number is never it).
    if (id == IDCANCEL) End(kResultCancel);
  }

  void End(int result) {
    if (check_) spec_.checked = SendMessageW(check_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    result_ = result;
    EndDialog(window_, 1);
  }

  bool CreateControls() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto child = [&](const wchar_t* cls, const std::u16string& label, DWORD style, int id) {
      return CreateWindowExW(0, cls, W(label), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    text_window_ = child(L"STATIC", text_, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, kBoxTextId);
    if (!text_window_) return false;
    if (spec_.check_label) {
      check_ = child(L"BUTTON", *spec_.check_label, BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, kBoxCheckId);
      if (!check_) return false;
      SendMessageW(check_, BM_SETCHECK, spec_.checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    for (std::size_t i = 0; i < buttons_.buttons.size(); ++i) {
      const MessageButton& b = buttons_.buttons[i];
      DWORD style = WS_TABSTOP | (i == buttons_.default_index ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      if (i == 0) style |= WS_GROUP;
      HWND button = child(L"BUTTON", b.label, style, b.result & 0xFFFF);
      if (!button) return false;
      if (b.image) {
        UniqueBitmap image(static_cast<HBITMAP>(
            LoadImageW(instance, MAKEINTRESOURCEW(b.image), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
        if (image) SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image.get()));
        images_.push_back(std::move(image));
      }
      button_windows_.push_back(button);
    }
    SendMessageW(window_, DM_SETDEFID, buttons_.buttons[buttons_.default_index].result & 0xFFFF, 0);
    if (icon_kind_ != BoxIcon::kNone || spec_.icon_resource)
      icon_window_ = child(L"STATIC", u"", SS_ICON | SS_REALSIZECONTROL, kBoxIconId);
    return true;
  }

  // The font, the icon and every control's place at `dpi`; the window's size and place (the
  // system's suggestion after a DPI change, else centred in the work area).
  bool Arrange(int dpi, const RECT* suggested) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW lf{};
    if (!spec_.font.empty()) {
      lstrcpynW(lf.lfFaceName, W(spec_.font), LF_FACESIZE);
    } else if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) &&
               metrics.lfMessageFont.lfFaceName[0]) {
      lstrcpynW(lf.lfFaceName, metrics.lfMessageFont.lfFaceName, LF_FACESIZE);
    } else {
      lstrcpynW(lf.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    }
    const double points = std::isfinite(spec_.points) && spec_.points >= 1 && spec_.points <= 200 ? spec_.points : 13.0;
    lf.lfHeight = -static_cast<LONG>(std::lround(points * dpi / 72.0));
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    UniqueFont font(CreateFontIndirectW(&lf));
    if (!font) return false;

    WindowDC dc(window_);
    if (!dc) return false;
    SelectScope select(dc.get(), font.get());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc.get(), &tm);

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner_ ? owner_ : window_, MONITOR_DEFAULTTONEAREST), &monitor);
    const Rect work{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};

    BoxMeasures m;
    m.dpi = dpi;
    m.line_height = tm.tmHeight;
    RECT r{0, 0, MaxTextWidth(dpi, work.Width()), 0};
    DrawTextW(dc.get(), text_.empty() ? L" " : W(text_), -1, &r,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL);
    m.text = {r.right - r.left, r.bottom - r.top};
    auto label_size = [&](const std::u16string& label) {
      RECT lr{0, 0, 0, 0};
      DrawTextW(dc.get(), W(label), -1, &lr, DT_CALCRECT | DT_SINGLELINE);
      return Size{lr.right - lr.left, lr.bottom - lr.top};
    };
    for (const auto& b : buttons_.buttons) m.label_widths.push_back(label_size(b.label).cx);
    if (check_) {
      m.check = label_size(*spec_.check_label);
      m.check_glyph = ScaleForDpi(13, dpi);
    }

    icon_.reset();
    if (icon_window_) {
      const int side = ScaleForDpi(32, dpi);
      HICON icon = LoadIconAtSize(side);
      if (icon) {
        SendMessageW(icon_window_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        m.icon = {side, side};
      }
    }

    const BoxLayout l = LayoutMessageBox(m);
    auto place = [](HWND w, const Rect& rect) {
      if (w) MoveWindow(w, rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
    };
    place(text_window_, l.text);
    place(icon_window_, l.icon);
    place(check_, l.check);
    for (std::size_t i = 0; i < button_windows_.size(); ++i) place(button_windows_[i], l.buttons[i]);
    for (HWND w : {text_window_, check_}) if (w) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    for (HWND w : button_windows_) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font);  // the controls use it until the box closes or the next arrangement

    RECT frame{0, 0, l.client.cx, l.client.cy};
    AdjustFrame(frame, dpi);
    const Size outer{frame.right - frame.left, frame.bottom - frame.top};
    const Rect at = suggested ? RectAt(suggested->left, suggested->top, outer.cx, outer.cy) : PlaceBox(work, outer);
    SetWindowPos(window_, nullptr, at.left, at.top, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
  }

  // The icon of the executable's resources, else the system's icon of the style word, `side`
  // pixels square; the box owns what it loads.
  HICON LoadIconAtSize(int side) {
    if (spec_.icon_resource) {
      icon_.reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(spec_.icon_resource),
                                                IMAGE_ICON, side, side, LR_DEFAULTCOLOR)));
      if (icon_.get()) return icon_.get();
    }
    const wchar_t* name = SystemIconName(icon_kind_);
    if (!name) return nullptr;
    if (!comctl32_) comctl32_ = LoadSystemLibrary(L"comctl32.dll");
    using ScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    if (auto scale_down = comctl32_.Function<ScaleDownFn>("LoadIconWithScaleDown")) {
      HICON icon = nullptr;
      if (SUCCEEDED(scale_down(nullptr, name, side, side, &icon)) && icon) {
        icon_.reset(icon);
        return icon;
      }
    }
    return LoadIconW(nullptr, name);  // shared: never destroyed
  }

  void AdjustFrame(RECT& frame, int dpi) const {
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
    const DWORD ex_style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE));
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjust_for_dpi = reinterpret_cast<AdjustForDpiFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (!adjust_for_dpi || !adjust_for_dpi(&frame, style, FALSE, ex_style, static_cast<UINT>(dpi)))
      AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  }

  const std::u16string& text_;
  MessageBoxSpec& spec_;
  HWND owner_;
  BoxButtons buttons_;
  BoxIcon icon_kind_ = BoxIcon::kNone;
  BoxColors colors_;
  UniqueBrush background_, button_brush_;
  UniqueFont font_;
  UniqueIcon icon_;
  UniqueModule comctl32_;
  std::vector<UniqueBitmap> images_;
  HWND window_ = nullptr, text_window_ = nullptr, icon_window_ = nullptr, check_ = nullptr;
  std::vector<HWND> button_windows_;
  std::optional<int> result_;
};

// The system's message box in place of the own one.
int ShowSystemBox(HWND owner, const std::u16string& text, const std::u16string& caption, std::uint32_t style,
                  const MessageBoxSpec& spec) {
  const int result = MessageBoxW(owner, W(text), W(caption), FallbackStyle(style, spec.buttons) | MB_SETFOREGROUND);
  return FallbackResult(style, result);
}

HWND DefaultOwner(void* owner) {
  if (owner) return static_cast<HWND>(owner);
  const InstallContext& c = Context();
  return c.progress_window ? c.progress_window : c.background_window;
}

int ShowWrapped(const Prompt& p, const WrappedBox& wrapped) {
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  MessageBoxSpec spec = InstallationBoxSpec(wrapped.buttons);
  return ShowMessageBox(DefaultOwner(p.owner), p.text, p.caption, wrapped.style, spec);
}

LanguageTextFn InstallationTexts() {
  return [](int n) { return LanguageText(n); };
}

int HandlePrompt(const Prompt& p) {
  const InstallContext& c = Context();
  if (c.options.SilentMode && p.kind == PromptKind::kChoice) return 2;
  if (c.options.SilentMode) return p.kind == PromptKind::kQuestion ? kResultYes : p.kind == PromptKind::kError ? 0 : 1;
  const LanguageTextFn text = InstallationTexts();
  switch (p.kind) {
    case PromptKind::kQuestion: return ShowWrapped(p, WrapQuestion(text));
    case PromptKind::kOkCancel: return ShowWrapped(p, WrapOkCancel(p.style, text));
    case PromptKind::kError: {
      if (c.options.AutomaticMode && !c.messages_in_automatic_mode) return 0;
      Prompt error = p;
      error.caption = ErrorCaption();
      return ShowWrapped(error, WrapMessage(kPromptOk | kPromptIconError, text));
    }
    case PromptKind::kChoice: {
      MessageBoxSpec spec = InstallationBoxSpec({{p.first, 1}, {p.second, 2}});
      return ShowMessageBox(DefaultOwner(p.owner), p.text, p.caption, p.style, spec);
    }
    case PromptKind::kMessage:
    default: return ShowWrapped(p, WrapMessage(p.style, text));
  }
}

}  // namespace

int ShowMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, std::uint32_t style,
                   MessageBoxSpec& spec) {
  if (Context().options.SilentMode) {
    const BoxButtons b = MakeBoxButtons(style, spec.buttons);
    return b.buttons[b.default_index].result;
  }
  Box box(text, style, spec, owner);
  const std::vector<WORD> dialog = DialogTemplate(caption);
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()), owner,
                          Box::Proc, reinterpret_cast<LPARAM>(&box));
  if (!box.result()) return ShowSystemBox(owner, text, caption, style, spec);
  return *box.result();
}

// The dialog font of the installation and its size for boxes: 0.13 x the dialog zoom, rounded (13
// points at 100 %), with the package's dialog colours when it has them.
MessageBoxSpec InstallationBoxSpec(std::vector<MessageButton> buttons) {
  const InstallContext& c = Context();
  MessageBoxSpec spec;
  spec.buttons = std::move(buttons);
  spec.font = c.settings.DialogFont;
  spec.points = BoxFontPoints(c.settings.DialogZoom);
  spec.colors = DialogColors(c.settings, c.header.product_flags2);
  return spec;
}

std::u16string ErrorCaption() { return ErrorCaption(InstallationTexts()); }

void InstallMessageBoxes() { SetPromptHandler(HandlePrompt); }

}  // namespace mv
