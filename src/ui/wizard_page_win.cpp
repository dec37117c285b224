#include "ui/wizard_page_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "context/install_context_win.h"
#include "lib/wide_win.h"
#include "ui/dialog_template.h"

namespace mv {

namespace {

constexpr std::uint64_t kFlagPageIcons = 1ull << 52;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
// Posted to a page after a DPI change, once the dialog manager has scaled it.
constexpr UINT kRepaintMessage = WM_APP + 0x4D56;

bool HasDialogColours() { return (Context().settings.ProductFlags & kFlagDialogColours) != 0; }
bool HasButtonColours() { return (Context().header.product_flags2 & kFlags2ButtonColours) != 0; }
bool HasControlColours() { return (Context().header.product_flags2 & kFlags2ColorSetA) != 0; }

// The side picture (2) and the banner (3), loaded once and kept for the run.
HBITMAP Artwork(int number) {
  static UniqueBitmap side, banner;
  UniqueBitmap& slot = number == 2 ? side : banner;
  if (!slot)
    slot.reset(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(number), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  return slot.get();
}

// Paints a picture stretched into `to` with the halftone filter, so that a reduced picture stays
// smooth at every DPI.
void PaintStretched(HDC dc, const RECT& to, HBITMAP picture) {
  BITMAP info{};
  if (!picture || !GetObjectW(picture, sizeof info, &info)) {
    FillRect(dc, &to, GetSysColorBrush(COLOR_BTNSHADOW));
    return;
  }
  MemoryDC source(dc);
  SelectScope select(source.get(), picture);
  const int old_mode = SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, source.get(), 0, 0, info.bmWidth,
             info.bmHeight, SRCCOPY);
  SetStretchBltMode(dc, old_mode);
}

bool IsTransparentText(int id) {
  switch (id) {
    case kHeading:
    case kStatusLine:
    case kNeededSpaceLine:
    case kFreeSpaceLine:
    case kPasswordLabel:
    case kGreetingLink:
      return true;
    default:
      return false;
  }
}

bool IsSummaryBox(int id) {
  return id == kLaunchBox || id == kOpenDocumentBox || id == kSecondDocumentBox || id == kViewLogBox;
}

}  // namespace

void InitWizardControls() {
  static bool done = false;
  if (done) return;
  done = true;
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  if (auto init = Context().modules.comctl32.Function<InitFn>("InitCommonControlsEx")) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
    init(&icc);
  }
}

WizardPage::WizardPage(std::u16string template_name, std::int32_t style_index)
    : template_name_(std::move(template_name)), style_index_(style_index), style_(StyleOfIndex(style_index)) {
  const Settings& s = Context().settings;
  if (HasDialogColours()) dialog_brush_.reset(CreateSolidBrush(s.DialogBG));
  white_brush_.reset(CreateSolidBrush(kWhite));
  if (HasControlColours()) edit_brush_.reset(CreateSolidBrush(s.ColorSetA[0]));
  if (HasButtonColours()) button_brush_.reset(CreateSolidBrush(s.ButtonBG));
}

bool WizardPage::LoadTemplate(Bytes& dialog) const {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(instance, W(template_name_), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const auto* bytes = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
  if (!bytes) return false;
  const Settings& s = Context().settings;
  auto changed = SetDialogFont({bytes, SizeofResource(instance, found)}, s.DialogFont, DialogPointSize(s.DialogZoom));
  if (!changed) return false;
  dialog = std::move(*changed);
  return true;
}

int WizardPage::Run() {
  InitWizardControls();
  Bytes dialog;
  if (!LoadTemplate(dialog)) return 0;
  modal_ = true;
  const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()),
                                            Context().background_window, Proc, reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  return r == kForwardButton || r == kCancelButton ? static_cast<int>(r) : 0;
}

HWND WizardPage::Create(HWND owner) {
  InitWizardControls();
  Bytes dialog;
  if (!LoadTemplate(dialog)) return nullptr;
  modal_ = false;
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()), owner,
                                    Proc, reinterpret_cast<LPARAM>(this));
}

void WizardPage::End(int id) {
  if (modal_) EndDialog(window_, id);
}

INT_PTR CALLBACK WizardPage::Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    reinterpret_cast<WizardPage*>(lparam)->window_ = window;
  }
  auto* page = reinterpret_cast<WizardPage*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!page) return FALSE;
  const INT_PTR r = page->Handle(message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    page->window_ = nullptr;
  }
  return r;
}

INT_PTR WizardPage::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  INT_PTR result = 0;
  if (message != WM_INITDIALOG && OnMessage(message, wparam, lparam, result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      InitShared();
      OnInit();
      PostMessageW(window_, WM_COMMAND, kFocusCommand, 0);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      HWND control = reinterpret_cast<HWND>(lparam);
      if (id == kFocusCommand && !control) {
        SetForegroundWindow(window_);
        if (HWND focus = Item(FocusControl())) SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
        OnFront();
        return TRUE;
      }
      if (id == IDCANCEL) {
        // Escape and the dialog manager's close: the cancel button, when the page has an enabled one.
        if (OnCommand(IDCANCEL, code, control)) return TRUE;
        HWND cancel = Item(kCancelButton);
        if (!cancel || !IsWindowEnabled(cancel)) return TRUE;
        id = kCancelButton, control = cancel;
      }
      if (OnCommand(id, code, control)) return TRUE;
      if ((id == kForwardButton || id == kCancelButton) && code == BN_CLICKED) End(id);
      return TRUE;
    }
    case WM_CTLCOLORDLG:
      if (dialog_brush_) return reinterpret_cast<INT_PTR>(dialog_brush_.get());
      return FALSE;
    case WM_CTLCOLORSTATIC:
      if (HBRUSH b = ColourStatic(reinterpret_cast<HDC>(wparam), GetDlgCtrlID(reinterpret_cast<HWND>(lparam))))
        return reinterpret_cast<INT_PTR>(b);
      return FALSE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (edit_brush_) {
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, Context().settings.ColorSetA[1]);
        SetBkColor(dc, Context().settings.ColorSetA[0]);
        return reinterpret_cast<INT_PTR>(edit_brush_.get());
      }
      return FALSE;
    case WM_CTLCOLORBTN: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
      if (style_ == PageStyle::kFullPicture && id == kBrowseButton) return reinterpret_cast<INT_PTR>(white_brush_.get());
      if (dialog_brush_) return reinterpret_cast<INT_PTR>(dialog_brush_.get());
      return FALSE;
    }
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_DPICHANGED:
      // The dialog manager scales the template's font, the controls and the window to the new DPI
      // (it does so when the procedure leaves the message to it); the pictures, the heading and the
      // owner-drawn buttons are painted anew at their new sizes once it is done.
      PostMessageW(window_, kRepaintMessage, 0, 0);
      return FALSE;
    case kRepaintMessage:
      RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return TRUE;
    default:
      return FALSE;
  }
}

void WizardPage::InitShared() {
  const InstallContext& c = Context();
  EnableMenuItem(GetSystemMenu(window_, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  if (c.settings.ProductFlags & kFlagPageIcons) {
    if (c.large_icon) SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(c.large_icon));
    if (c.small_icon) SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(c.small_icon));
  }
  // Centred over the background window, or in the work area of the screen without one.
  RECT area{};
  if (!c.background_window || !GetWindowRect(c.background_window, &area) || IsIconic(c.background_window)) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    area = monitor.rcWork;
  }
  RECT own{};
  GetWindowRect(window_, &own);
  const Rect at = CentreIn(Rect{area.left, area.top, area.right, area.bottom},
                           Size{own.right - own.left, own.bottom - own.top});
  SetWindowPos(window_, nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Push buttons in the package's colours are drawn by the page.
  if (HasButtonColours()) {
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t cls[16] = {};
      GetClassNameW(child, cls, 16);
      const LONG_PTR s = GetWindowLongPtrW(child, GWL_STYLE);
      const LONG_PTR type = s & BS_TYPEMASK;
      if (lstrcmpiW(cls, L"Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON))
        SetWindowLongPtrW(child, GWL_STYLE, (s & ~BS_TYPEMASK) | BS_OWNERDRAW);
    }
  }
}

void WizardPage::SetPageCaption(const std::u16string& page_title, const std::u16string& setup_caption,
                                const std::u16string& banner_title) {
  if (style_ == PageStyle::kBanner) {
    SetWindowTextW(window_, W(setup_caption));
    SetText(kBannerTitle, banner_title);
    SetText(kBannerSubtitle, page_title);
    if (HWND banner = Item(kBanner)) InvalidateRect(banner, nullptr, TRUE);
  } else {
    SetWindowTextW(window_, W(page_title));
  }
}

void WizardPage::SetText(int id, const std::u16string& text) {
  if (HWND control = Item(id)) {
    SetWindowTextW(control, W(text));
    // Transparent texts show what is behind them again before the new text is drawn.
    if (id == kBannerTitle || id == kBannerSubtitle) {
      RECT r{};
      GetWindowRect(control, &r);
      MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
      InvalidateRect(window_, &r, TRUE);
    }
  }
}

void WizardPage::SetLabel(int id, int number, const std::u16string& fallback) {
  std::u16string text = LanguageText(number);
  SetText(id, text.empty() ? fallback : text);
}

std::u16string WizardPage::TextOf(int id) const {
  HWND control = Item(id);
  if (!control) return {};
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return U(text);
}

HFONT WizardPage::HeadingFont() {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
  if (heading_factor_ == 0 || !font) return font;
  if (font != heading_font_source_) {
    // Made anew whenever the dialog's font is another one: the dialog manager replaces it when the
    // page moves to a monitor of another DPI.
    heading_font_.reset();
    heading_font_source_ = font;
    LOGFONTW lf{};
    if (GetObjectW(font, sizeof lf, &lf)) {
      lf.lfHeight = static_cast<LONG>(std::lround(lf.lfHeight * heading_factor_));
      heading_font_.reset(CreateFontIndirectW(&lf));
    }
  }
  return heading_font_ ? heading_font_.get() : font;
}

HBRUSH WizardPage::ColourStatic(HDC dc, int id) {
  const Settings& s = Context().settings;
  if (id == kBannerTitle || id == kBannerSubtitle) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, s.BannerFG);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }
  if (id == kPageText) {  // the read-only licence or readme text
    if (edit_brush_) {
      SetTextColor(dc, s.ColorSetA[1]);
      SetBkColor(dc, s.ColorSetA[0]);
      return edit_brush_.get();
    }
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
  }
  if (!IsTransparentText(id) && !IsSummaryBox(id)) {
    if (!dialog_brush_) return nullptr;
    SetTextColor(dc, s.DialogFG);
    SetBkColor(dc, s.DialogBG);
    return dialog_brush_.get();
  }
  // The texts sit on the white panel in the full-picture style, else on the dialog's background;
  // drawn without a background of their own over a brush of that colour, so a changed text never
  // leaves the old one behind.
  SetBkMode(dc, TRANSPARENT);
  if (style_ == PageStyle::kFullPicture) {
    SetTextColor(dc, kBlack);
    return white_brush_.get();
  }
  if (dialog_brush_) {
    SetTextColor(dc, s.DialogFG);
    return dialog_brush_.get();
  }
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return GetSysColorBrush(COLOR_BTNFACE);
}

void WizardPage::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlType == ODT_BUTTON) return DrawButton(item);
  switch (item.CtlID) {
    case kSidePicture: return PaintStretched(item.hDC, item.rcItem, Artwork(2));
    case kBanner: return PaintStretched(item.hDC, item.rcItem, Artwork(3));
    case kHeading: return DrawHeading(item);
    default: return;
  }
}

void WizardPage::DrawHeading(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  HBRUSH background = ColourStatic(dc, kHeading);
  FillRect(dc, &item.rcItem, background);
  SelectScope select(dc, HeadingFont());
  const std::u16string text = TextOf(kHeading);
  const UINT format = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
  RECT measured{0, 0, item.rcItem.right - item.rcItem.left, 0};
  DrawTextW(dc, W(text), -1, &measured, format | DT_CALCRECT);
  const Rect control{item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom};
  const Rect at = HeadingTextRect(control, Size{measured.right - measured.left, measured.bottom - measured.top});
  RECT r{at.left, at.top, at.right, at.bottom};
  IntersectClipRect(dc, item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom);
  DrawTextW(dc, W(text), -1, &r, format | DT_CENTER);
  SelectClipRgn(dc, nullptr);
}

void WizardPage::DrawButton(const DRAWITEMSTRUCT& item) {
  const Settings& s = Context().settings;
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool is_default = LOWORD(SendMessageW(window_, DM_GETDEFID, 0, 0)) == item.CtlID;
  const bool pressed = item.itemState & ODS_SELECTED;
  const bool disabled = item.itemState & ODS_DISABLED;
  // Border (two pixels for the default button), then the face.
  UniqueBrush border(CreateSolidBrush(s.ButtonBorder));
  FrameRect(dc, &r, border.get());
  if (is_default) {
    InflateRect(&r, -1, -1);
    FrameRect(dc, &r, border.get());
  }
  InflateRect(&r, -1, -1);
  FillRect(dc, &r, button_brush_ ? button_brush_.get() : GetSysColorBrush(COLOR_BTNFACE));
  if (pressed) OffsetRect(&r, 1, 1);
  wchar_t label[256] = {};
  GetWindowTextW(item.hwndItem, label, 256);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : s.ButtonFG);
  const UINT hide_prefix = (item.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
  DrawTextW(dc, label, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | hide_prefix);
  if (item.itemState & ODS_FOCUS) {
    InflateRect(&r, -2, -2);
    DrawFocusRect(dc, &r);
  }
}

}  // namespace mv
