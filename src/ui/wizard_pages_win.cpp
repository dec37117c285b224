#include "ui/wizard_pages_win.h"

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cmath>

#include "base/codepage.h"
#include "base/path.h"
#include "context/install_context_win.h"
#include "context/prompt.h"
#include "context/summary.h"
#include "engine/preinstallation_win.h"
#include "lib/os_info_win.h"
#include "lib/os_version.h"
#include "lib/special_folders_win.h"
#include "lib/system_library_win.h"
#include "lib/wide_win.h"
#include "ui/background_win.h"
#include "ui/message_box_win.h"
#include "ui/wizard_page_win.h"
#include "ui/wizard_win.h"
#include "vars/expand_win.h"
#include "vars/variables.h"

namespace mv {

namespace {

// The licence must be scrolled to its end before it can be accepted.
constexpr std::uint64_t kFlagReadLicenseToEnd = 1ull << 48;
constexpr std::uint64_t kFlagNoProgressCancel = 1ull << 21;
constexpr std::uint64_t kFlagProgressDialog = 1ull << 51;
constexpr std::uint32_t kFlags2SpaceLines = 1u << 22;
constexpr int kMaxFolderChars = 259;

InstallContext& C() { return Context(); }

std::u16string Text(int n, const char16_t* fallback) {
  std::u16string t = LanguageText(n);
  return t.empty() ? std::u16string(fallback) : t;
}

// The banner's title: the package's banner title text (text 114 when the language has one).
const std::u16string& BannerTitle() { return C().settings.HeaderTitle; }

// Opens an address or document with the shell's "open".
void OpenWithShell(HWND owner, const std::u16string& target) {
  ShellExecuteW(owner, L"open", W(target), nullptr, nullptr, SW_SHOWNORMAL);
}

// The language's name in its own words for the user's locale ("Deutsch (Deutschland)").
std::u16string NativeLanguageName() {
  wchar_t name[128] = {};
  if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SNATIVELANGNAME, name, 128)) return {};
  return U(name);
}

// --- Language ------------------------------------------------------------------------------------

class LanguagePage : public WizardPage {
 public:
  LanguagePage()
      : WizardPage(TemplateName(PageKind::kLanguage, C().settings.LanguageDlgStyle), C().settings.LanguageDlgStyle) {}

 protected:
  void OnInit() override {
    HWND list = Item(kLanguageList);
    const std::vector<std::u16string> names = LanguageNames(C().lists);
    for (const auto& name : names) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(name)));
    const int chosen = PreselectLanguage(names, NativeLanguageName());
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    Choose(chosen);
  }
  int FocusControl() const override { return kLanguageList; }
  bool OnCommand(int id, int code, HWND) override {
    if (id == kLanguageList && code == LBN_SELCHANGE) {
      Choose(Selection());
      return true;
    }
    if (id == kLanguageList && code == LBN_DBLCLK) {
      Choose(Selection());
      End(kForwardButton);
      return true;
    }
    if (id == kForwardButton && code == BN_CLICKED) C().language = Selection();
    return false;
  }

 private:
  int Selection() const {
    const auto n = static_cast<int>(C().lists.Languages.size());
    const auto sel = static_cast<int>(SendMessageW(Item(kLanguageList), LB_GETCURSEL, 0, 0));
    return std::clamp(sel, 0, std::max(n - 1, 0));
  }
  // Switches the run's language and labels the page (and the background's title) in it.
  void Choose(int language) {
    InstallContext& c = C();
    c.language = language;
    if (std::u16string title = LanguageText(114); !title.empty()) c.settings.HeaderTitle = title;
    SetText(kHeading, LanguageText(82));
    SetLabel(kForwardButton, 48, u"&Next >");
    SetLabel(kCancelButton, 49, u"Cancel");
    SetPageCaption(LanguageText(94), LanguageText(94), BannerTitle());
    InvalidateRect(Item(kHeading), nullptr, TRUE);
    UpdateBackgroundWindow(c.background_window);
  }
};

// --- Greeting ------------------------------------------------------------------------------------

class GreetingPage : public WizardPage {
 public:
  GreetingPage()
      : WizardPage(TemplateName(PageKind::kGreeting, C().settings.GreetingDlgStyle), C().settings.GreetingDlgStyle) {}

 protected:
  void OnInit() override {
    std::u16string text = LanguageText(1);
    if (style() == PageStyle::kBanner) text = u"\r\n\r\n" + text;
    SetText(kHeading, text);
    SetLabel(kForwardButton, 48, u"&Next >");
    SetLabel(kCancelButton, 49, u"Cancel");
    SetPageCaption(LanguageText(style() == PageStyle::kBanner ? 103 : 65), LanguageText(65), BannerTitle());
    address_ = Cp1252ToUtf16(std::string(C().settings.GreetingLinkUrl.begin(), C().settings.GreetingLinkUrl.end()));
    while (!address_.empty() && address_.back() == u'\0') address_.pop_back();
    if (address_.empty()) ShowWindow(Item(kGreetingLink), SW_HIDE);
    else SetText(kGreetingLink, GreetingLinkText(LanguageText(105), address_));
  }
  bool OnMessage(UINT message, WPARAM, LPARAM lparam, INT_PTR& result) override {
    if (message != WM_NOTIFY) return false;
    const auto* n = reinterpret_cast<const NMHDR*>(lparam);
    if (n->idFrom != kGreetingLink || (n->code != NM_CLICK && n->code != NM_RETURN)) return false;
    // The click is announced to the link-notification address once the network client exists.
    OpenWithShell(window(), address_);
    result = TRUE;
    return true;
  }

 private:
  std::u16string address_;
};

// --- Password ------------------------------------------------------------------------------------

class PasswordPage : public WizardPage {
 public:
  PasswordPage() : WizardPage(u"EnterPassword", 0) {}

 protected:
  void OnInit() override {
    SetWindowTextW(window(), W(LanguageText(75)));
    SetText(kHeading, LanguageText(76));
    SetText(kPasswordLabel, LanguageText(27));
    SetLabel(kCancelButton, 49, u"Cancel");
    SendMessageW(Item(kPasswordEdit), EM_LIMITTEXT, 64, 0);
  }
  int FocusControl() const override { return kPasswordEdit; }
  bool OnCommand(int id, int code, HWND) override {
    if (id != kForwardButton || code != BN_CLICKED) return false;
    if (TextOf(kPasswordEdit) == C().settings.InstallPassword) return false;  // the page closes
    Sleep(500);
    ShowMessage(LanguageText(102), LanguageText(21), kPromptOk | kPromptIconError, window());
    HWND edit = Item(kPasswordEdit);
    SendMessageW(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    return true;
  }
};

// --- Licence and readme --------------------------------------------------------------------------

// The rich-edit library from the system folder, loaded once for the run.
bool LoadRichEdit() {
  static UniqueModule riched = LoadSystemLibrary(L"riched20.dll");
  return static_cast<bool>(riched);
}

struct RtfSource {
  const Bytes* bytes;
  std::size_t at = 0;
};

DWORD CALLBACK StreamRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
  auto* s = reinterpret_cast<RtfSource*>(cookie);
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(std::max<LONG>(wanted, 0)), s->bytes->size() - s->at);
  std::copy_n(s->bytes->data() + s->at, n, buffer);
  s->at += n;
  *given = static_cast<LONG>(n);
  return 0;
}

// Keys pressed on the buttons that scroll the text instead.
LRESULT CALLBACK ForwardScrollKeys(HWND button, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR text) {
  auto scroll_of = [](WPARAM vk) -> int {
    switch (vk) {
      case VK_PRIOR: return SB_PAGEUP;
      case VK_NEXT: return SB_PAGEDOWN;
      case VK_UP: return SB_LINEUP;
      case VK_DOWN: return SB_LINEDOWN;
      default: return -1;
    }
  };
  if (message == WM_GETDLGCODE && lparam) {
    const MSG* m = reinterpret_cast<const MSG*>(lparam);
    if (m->message == WM_KEYDOWN && scroll_of(m->wParam) >= 0) return DLGC_WANTMESSAGE;
  }
  if (message == WM_KEYDOWN && scroll_of(wparam) >= 0) {
    SendMessageW(reinterpret_cast<HWND>(text), WM_VSCROLL, static_cast<WPARAM>(scroll_of(wparam)), 0);
    return 0;
  }
  using DefFn = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
  return reinterpret_cast<DefFn>(C().def_subclass_proc)(button, message, wparam, lparam);
}

class TextPage : public WizardPage {
 public:
  TextPage(TextKind kind, const PageText& text)
      : WizardPage(TemplateName(kind == TextKind::kLicense ? PageKind::kLicense : PageKind::kReadme, StyleIndex(kind)),
                   StyleIndex(kind)),
        kind_(kind),
        text_(text) {}
 protected:
  void OnInit() override {
    const bool license = kind_ == TextKind::kLicense;
    SetText(kHeading, LanguageText(license ? 47 : 51));
    SetLabel(kForwardButton, license ? 45 : 48, license ? u"I &Agree" : u"&Next >");
    SetLabel(kCancelButton, license ? 46 : 49, u"Cancel");
    SetPageCaption(LanguageText(license ? 44 : 50), LanguageText(65), BannerTitle());
    HWND text = text_.rich ? MakeRichEdit() : nullptr;
    if (!text) {
      text = Item(kPageText);
      std::u16string plain = text_.rich ? std::u16string(text_.rtf.begin(), text_.rtf.end()) : text_.text;
      if (!text_.rich) ReplacePlaceholderNames(plain, [](Placeholder p) { return PlaceholderValue(p); });
      SetWindowTextW(text, W(plain));
      SetInnerMargins(text, 0.35, 0.3);
    }
    text_window_ = text;
    SendMessageW(text, EM_SETSEL, 0, 0);
    SendMessageW(text, WM_VSCROLL, SB_TOP, 0);
    // Page keys on the buttons scroll the text.
    using SubclassFn = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR);
    if (auto subclass = reinterpret_cast<SubclassFn>(C().set_window_subclass); subclass && C().def_subclass_proc)
      for (int id : {kForwardButton, kCancelButton})
        subclass(Item(id), ForwardScrollKeys, 1, reinterpret_cast<DWORD_PTR>(text));
    if (license && (C().settings.ProductFlags & kFlagReadLicenseToEnd)) {
      EnableWindow(Item(kForwardButton), FALSE);
      SetTimer(window(), kReadToEndTimer, 200, nullptr);
    }
  }
  int FocusControl() const override {
    return IsWindowEnabled(Item(kForwardButton)) ? kForwardButton : kCancelButton;
  }
  // The dialog manager selected the whole text when it first gave the text the focus; the page
  // starts at the top of the text.
  void OnFront() override {
    SendMessageW(text_window_, EM_SETSEL, 0, 0);
    SendMessageW(text_window_, WM_VSCROLL, SB_TOP, 0);
  }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) override {
    if (message == WM_TIMER && wparam == kReadToEndTimer) {
      if (ScrolledToEnd()) {
        KillTimer(window(), kReadToEndTimer);
        EnableWindow(Item(kForwardButton), TRUE);
      }
      result = TRUE;
      return true;
    }
    if (message == WM_NOTIFY) {
      const auto* link = reinterpret_cast<const ENLINK*>(lparam);
      if (link->nmhdr.code != EN_LINK || link->msg != WM_LBUTTONUP) return false;
      std::wstring target(static_cast<std::size_t>(std::max<LONG>(link->chrg.cpMax - link->chrg.cpMin, 0)) + 1, L'\0');
      TEXTRANGEW range{link->chrg, target.data()};
      target.resize(static_cast<std::size_t>(
          SendMessageW(link->nmhdr.hwndFrom, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
      OpenWithShell(window(), U(target));
      result = TRUE;
      return true;
    }
    if (message == WM_DESTROY) KillTimer(window(), kReadToEndTimer);
    return false;
  }

 private:
  static std::int32_t StyleIndex(TextKind kind) {
    return kind == TextKind::kLicense ? C().settings.LicenseDlgStyle : C().settings.ReadmeDlgStyle;
  }
  static std::u16string PlaceholderValue(Placeholder p) {
    const InstallContext& c = C();
    switch (p) {
      case Placeholder::kProduct: return c.settings.DisplayName;
      case Placeholder::kDescription: return c.settings.ProductDescription;
      case Placeholder::kOs: return Cp1252ToUtf16(OsText(GetOsInfo(), 0));
      case Placeholder::kLbDate: return BuildDateText(c);
    }
    return {};
  }

  // Replaces the plain text control by a rich-edit control of the same place that shows the RTF;
  // nothing when the library or the control cannot be made (the plain control then shows the text).
  HWND MakeRichEdit() {
    if (!LoadRichEdit()) return nullptr;
    HWND plain = Item(kPageText);
    RECT r{};
    GetWindowRect(plain, &r);
    MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&r), 2);
    HWND rich = CreateWindowExW(WS_EX_CLIENTEDGE, L"RichEdit20W", L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                    ES_AUTOVSCROLL,
                                r.left, r.top, r.right - r.left, r.bottom - r.top, window(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!rich) return nullptr;
    SendMessageW(rich, WM_SETFONT, SendMessageW(plain, WM_GETFONT, 0, 0), FALSE);
    SetWindowPos(rich, plain, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // keeps the Tab order
    DestroyWindow(plain);
    SetWindowLongPtrW(rich, GWLP_ID, kPageText);
    SendMessageW(rich, EM_AUTOURLDETECT, TRUE, 0);
    SendMessageW(rich, EM_SETEVENTMASK, 0, ENM_LINK);
    SendMessageW(rich, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
    if (HasControlColoursSet()) SendMessageW(rich, EM_SETBKGNDCOLOR, 0, C().settings.ColorSetA[0]);
    RtfSource source{&text_.rtf};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, StreamRtf};
    SendMessageW(rich, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    SetInnerMargins(rich, 0.5, 0.5);
    return rich;
  }
  static bool HasControlColoursSet() { return (C().header.product_flags2 & kFlags2ColorSetA) != 0; }

  // Inner margins in dialog base units around the text.
  void SetInnerMargins(HWND text, double horizontal, double vertical) {
    RECT base{0, 0, 4, 8};
    MapDialogRect(window(), &base);  // one base unit: 4 horizontal and 8 vertical dialog units
    const int dx = static_cast<int>(std::lround(horizontal * base.right));
    const int dy = static_cast<int>(std::lround(vertical * base.bottom));
    RECT r{};
    GetClientRect(text, &r);
    InflateRect(&r, -dx, -dy);
    SendMessageW(text, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&r));
  }

  bool ScrolledToEnd() const {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (GetScrollInfo(text_window_, SB_VERT, &info) && info.nPage > 0)
      return info.nPos + static_cast<int>(info.nPage) > info.nMax;
    // Without a page size from the scroll bar: the first visible line and the lines that fit.
    const auto lines = static_cast<int>(SendMessageW(text_window_, EM_GETLINECOUNT, 0, 0));
    const auto first = static_cast<int>(SendMessageW(text_window_, EM_GETFIRSTVISIBLELINE, 0, 0));
    RECT r{};
    SendMessageW(text_window_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    WindowDC dc(text_window_);
    SelectScope select(dc.get(), reinterpret_cast<HFONT>(SendMessageW(text_window_, WM_GETFONT, 0, 0)));
    TEXTMETRICW tm{};
    if (!dc || !GetTextMetricsW(dc.get(), &tm) || tm.tmHeight <= 0) return true;
    return first + std::max<int>(1, (r.bottom - r.top) / tm.tmHeight) >= lines;
  }

  TextKind kind_;
  const PageText& text_;
  HWND text_window_ = nullptr;
};

// --- Folder and Start-menu folder ----------------------------------------------------------------

int CALLBACK BrowseStarted(HWND browser, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

// The system's folder chooser titled `title`, below `root` when given (a special-folder id), starting
// at `start`; the chosen folder, or nothing.
std::optional<std::u16string> BrowseForFolder(HWND owner, const std::u16string& title, int root,
                                              const std::u16string& start) {
  PIDLIST_ABSOLUTE root_list = nullptr;
  if (root >= 0) SHGetSpecialFolderLocation(owner, root, &root_list);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = root_list;
  info.lpszTitle = W(title);
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseStarted;
  info.lParam = reinterpret_cast<LPARAM>(start.empty() ? nullptr : W(start));
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  std::optional<std::u16string> result;
  if (chosen) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen, path)) result = U(path);
    CoTaskMemFree(chosen);
  }
  if (root_list) CoTaskMemFree(root_list);
  return result;
}

// The folder and Start-menu pages: a heading, a folder edit with its browse button.
class FolderEditPage : public WizardPage {
 public:
  FolderEditPage(PageKind kind, std::int32_t style_index, int heading, int page_title)
      : WizardPage(TemplateName(kind, style_index), style_index), heading_(heading), page_title_(page_title) {}

 protected:
  void InitFolderEdit(const std::u16string& folder) {
    SetText(kHeading, LanguageText(heading_));
    SetLabel(kBrowseButton, 52, u"B&rowse...");
    SetLabel(kForwardButton, 90, u"&Next >");
    SetLabel(kCancelButton, 49, u"Cancel");
    SetPageCaption(LanguageText(page_title_), LanguageText(65), BannerTitle());
    SendMessageW(Item(kFolderEdit), EM_LIMITTEXT, kMaxFolderChars, 0);
    SetText(kFolderEdit, folder);
  }

 private:
  int heading_, page_title_;
};

class FolderPage : public FolderEditPage {
 public:
  FolderPage() : FolderEditPage(PageKind::kChooseDir, C().settings.ChooseDirDlgStyle, 11, 11) {}

 protected:
  void OnInit() override {
    InitFolderEdit(InstallDir(C()));
    UpdateSpaceLines();
  }
  int FocusControl() const override { return kForwardButton; }
  bool OnCommand(int id, int code, HWND) override {
    if (id == kFolderEdit && code == EN_CHANGE) {
      UpdateSpaceLines();
      return true;
    }
    if (id == kBrowseButton && code == BN_CLICKED) {
      if (auto chosen = BrowseForFolder(window(), LanguageText(11), -1, TextOf(kFolderEdit))) SetText(kFolderEdit, *chosen);
      return true;
    }
    if (id == kForwardButton && code == BN_CLICKED) C().install_dir = TextOf(kFolderEdit);
    return false;
  }

 private:
  void UpdateSpaceLines() {
    if (!(C().header.product_flags2 & kFlags2SpaceLines)) {
      ShowWindow(Item(kNeededSpaceLine), SW_HIDE);
      ShowWindow(Item(kFreeSpaceLine), SW_HIDE);
      return;
    }
    const std::u16string folder = TrimFolderText(TextOf(kFolderEdit));
    SetText(kNeededSpaceLine, LanguageText(92) + u" " + SizeText(RequiredSpaceOn(folder)));
    const std::u16string drive = DriveOf(folder);
    SetText(kFreeSpaceLine, drive.empty() ? std::u16string() : LanguageText(93) + u" " + SizeText(FreeSpaceOn(drive)));
  }
};

class StartMenuPage : public FolderEditPage {
 public:
  StartMenuPage() : FolderEditPage(PageKind::kStartMenu, C().settings.StartMenuDlgStyle, 88, 89) {}

 protected:
  void OnInit() override {
    const InstallContext& c = C();
    InitFolderEdit(c.start_menu_folder.empty() ? c.settings.ProductStartMenu : c.start_menu_folder);
  }
  bool OnCommand(int id, int code, HWND) override {
    if (id == kFolderEdit && code == EN_CHANGE) {
      EnableWindow(Item(kForwardButton), StartMenuTextAcceptable(TextOf(kFolderEdit)));
      return true;
    }
    if (id == kBrowseButton && code == BN_CLICKED) {
      const bool common = C().settings.ShortcutMode == 1;
      const std::u16string programs = GetSpecialFolder(common ? SpecialFolder::kCommonPrograms : SpecialFolder::kPrograms);
      const auto chosen = BrowseForFolder(window(), LanguageText(88), common ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS,
                                          JoinPath(programs, TextOf(kFolderEdit)));
      if (chosen && IsSameOrInside(*chosen, programs)) {
        std::u16string relative = chosen->substr(std::min(chosen->size(), programs.size()));
        while (!relative.empty() && relative.front() == u'\\') relative.erase(0, 1);
        SetText(kFolderEdit, relative);
      }
      return true;
    }
    if (id == kForwardButton && code == BN_CLICKED) C().start_menu_folder = TextOf(kFolderEdit);
    return false;
  }
};

// --- Summary -------------------------------------------------------------------------------------

class SummaryPage : public WizardPage {
 public:
  explicit SummaryPage(bool offer_view_log)
      : WizardPage(TemplateName(PageKind::kSummary, C().settings.SummaryDlgStyle), C().settings.SummaryDlgStyle),
        offer_view_log_(offer_view_log) {}

 protected:
  void OnInit() override {
    const InstallContext& c = C();
    SetText(kHeading, LanguageText(42));
    SetLabel(kForwardButton, 95, u"&Finish");
    SetPageCaption(LanguageText(43), LanguageText(65), BannerTitle());
    const SummaryConditions shown{!c.settings.LaunchProgram.empty() || !c.options.RunAfterInstall.empty(),
                                  !c.settings.LaunchDocument.empty(), !c.settings.LaunchFile.empty(),
                                  offer_view_log_};
    for (const CheckBoxPlace& place : SummaryCheckBoxes(c.settings.SummaryDlgStyle, shown)) {
      RECT r{place.at.left, place.at.top, place.at.right, place.at.bottom};
      MapDialogRect(window(), &r);
      HWND box = Item(place.id);
      SetText(place.id, LanguageText(place.text_number));
      SetWindowPos(box, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
      // Launching and opening start checked; viewing the log always starts unchecked.
      SendMessageW(box, BM_SETCHECK, place.id == kViewLogBox ? BST_UNCHECKED : BST_CHECKED, 0);
      ShowWindow(box, SW_SHOW);
    }
  }
  bool OnCommand(int id, int code, HWND) override {
    if (id == IDCANCEL || (id == kForwardButton && code == BN_CLICKED)) {
      Store();
      End(kForwardButton);
      return true;
    }
    return false;
  }
  bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) override {
    if (message != WM_CLOSE) return false;
    Store();
    End(kForwardButton);
    result = TRUE;
    return true;
  }

 private:
  void Store() {
    auto checked = [&](int id) { return IsWindowVisible(Item(id)) && SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
    SummaryChoices& s = C().summary;
    s.launch = checked(kLaunchBox);
    s.open_document = checked(kOpenDocumentBox);
    s.open_second_document = checked(kSecondDocumentBox);
    s.view_log = checked(kViewLogBox);
  }

  bool offer_view_log_;
};

// --- Progress ------------------------------------------------------------------------------------

class ProgressPage : public WizardPage {
 public:
  explicit ProgressPage(std::function<void()> cancel)
      : WizardPage(TemplateName(PageKind::kProgress, C().settings.ProgressStyle), C().settings.ProgressStyle),
        cancel_(std::move(cancel)) {}

 protected:
  void OnInit() override {
    const InstallContext& c = C();
    const bool uninstall = c.options.UninstallMode;
    if (style() == PageStyle::kPlain || style() == PageStyle::kBanner) EnlargeHeading(1.1);
    SetText(kHeading, LanguageText(uninstall ? 71 : 39));
    SetLabel(kCancelButton, 49, u"Cancel");
    SetPageCaption(LanguageText(uninstall ? 55 : 54), LanguageText(uninstall ? 55 : 65), BannerTitle());
    if (uninstall || (c.settings.ProductFlags & kFlagNoProgressCancel)) EnableWindow(Item(kCancelButton), FALSE);
    SendMessageW(Item(kProgressBar), PBM_SETRANGE32, 0, 100);
    Place();
  }
  int FocusControl() const override { return kCancelButton; }
  bool OnCommand(int id, int code, HWND) override {
    const bool cancel = (id == kCancelButton && code == BN_CLICKED) || id == IDCANCEL;
    if (cancel && IsWindowEnabled(Item(kCancelButton)) && ShowQuestion(LanguageText(28), LanguageText(20)) && cancel_)
      cancel_();
    return true;
  }
  bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) override {
    if (message != WM_QUERYENDSESSION) return false;
    SetWindowLongPtrW(window(), DWLP_MSGRESULT, FALSE);  // no session end while the work runs
    result = TRUE;
    return true;
  }

 private:
  // The package's placement word moves the dialog inside the work area, or inside the whole screen
  // when the background window covers it.
  void Place() {
    const InstallContext& c = C();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT area = c.background_window ? monitor.rcMonitor : monitor.rcWork;
    RECT own{};
    GetWindowRect(window(), &own);
    const Rect at = PlaceProgress(Rect{own.left, own.top, own.right, own.bottom},
                                  Rect{area.left, area.top, area.right, area.bottom}, c.settings.ProgressPosition);
    SetWindowPos(window(), nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  std::function<void()> cancel_;
};

class ProgressDialog final : public ProgressSink {
 public:
  explicit ProgressDialog(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
  ~ProgressDialog() override { CloseProgress(); }

  void OpenProgress() override {
    InstallContext& c = C();
    if (page_ || c.options.SilentMode || !(c.settings.ProductFlags & kFlagProgressDialog)) return;
    page_ = std::make_unique<ProgressPage>(cancel_);
    HWND w = page_->Create(c.background_window);
    if (!w) {
      page_.reset();
      return;
    }
    c.progress_window = w;
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    taskbar_ = TaskbarList();
    PumpMessages();
  }
  void SetStatusText(int text_number) override {
    status_clock_ = GetTickCount();
    ShowStatus(LanguageText(text_number));
  }
  void SetStatusPath(const std::u16string& path) override { ShowStatus(path); }
  void SetProgress(int percent) override {
    percent = std::clamp(percent, 0, 100);
    if (!page_) return;
    PostMessageW(page_->Item(kProgressBar), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    if (taskbar_) taskbar_->SetProgressValue(TaskbarWindow(), static_cast<ULONGLONG>(percent), 100);
    PumpMessages();
  }
  void HoldStatus(std::uint32_t milliseconds) override {
    if (C().options.AutomaticMode) return;
    if (!status_clock_) {
      status_clock_ = GetTickCount();
      return;
    }
    for (std::uint32_t round = 0; round < milliseconds; ++round) {
      if (GetTickCount() - *status_clock_ >= milliseconds) break;
      if (!PumpMessages()) break;
      Sleep(50);
    }
  }
  void CloseProgress() override {
    if (!page_) return;
    if (taskbar_) {
      taskbar_->SetProgressState(TaskbarWindow(), TBPF_NOPROGRESS);
      taskbar_->Release();
      taskbar_ = nullptr;
    }
    InstallContext& c = C();
    if (page_->window()) DestroyWindow(page_->window());
    if (c.progress_window) c.progress_window = nullptr;
    page_.reset();
  }

 private:
  void ShowStatus(const std::u16string& text) {
    if (!page_) return;
    SetDlgItemTextW(page_->window(), kStatusLine, W(text));
    PumpMessages();
  }
  HWND TaskbarWindow() const {
    const InstallContext& c = C();
    return c.background_window ? c.background_window : page_->window();
  }
  static ITaskbarList3* TaskbarList() {
    ITaskbarList3* list = nullptr;
    // The shell's taskbar list and its third interface, by their registered numbers.
    static constexpr GUID kTaskbarList{0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
    static constexpr GUID kTaskbarList3{0xEA1AFB91, 0x9E28, 0x4B86, {0x90, 0xE9, 0x9E, 0x9F, 0x8A, 0x5E, 0xEF, 0xAF}};
    if (FAILED(CoCreateInstance(kTaskbarList, nullptr, CLSCTX_INPROC_SERVER, kTaskbarList3,
                                reinterpret_cast<void**>(&list))) ||
        !list)
      return nullptr;
    if (FAILED(list->HrInit())) {
      list->Release();
      return nullptr;
    }
    return list;
  }
  // Dispatches waiting messages (through the dialog manager for the progress dialog); false once
  // the program was asked to quit.
  bool PumpMessages() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        return false;
      }
      if (page_ && page_->window() && IsDialogMessageW(page_->window(), &m)) continue;
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    return true;
  }

  std::function<void()> cancel_;
  std::unique_ptr<ProgressPage> page_;
  ITaskbarList3* taskbar_ = nullptr;
  std::optional<DWORD> status_clock_;
};

}  // namespace

bool ShowLanguagePage() { return LanguagePage().Run() == kForwardButton; }

bool ShowGreetingPage() {
  const InstallContext& c = C();
  if (GreetingIsMessageBox(c.settings.GreetingDlgStyle)) {
    MessageBoxSpec spec = InstallationBoxSpec({{u"OK", 1}, {Text(49, u"Cancel"), 2}});
    return ShowMessageBox(c.background_window, LanguageText(1), LanguageText(65), 0, spec) == 1;
  }
  return GreetingPage().Run() == kForwardButton;
}

bool ShowPasswordPage() { return PasswordPage().Run() == kForwardButton; }

bool ShowTextPage(TextKind kind, const PageText& text) { return TextPage(kind, text).Run() == kForwardButton; }

bool ShowFolderPage() {
  if (C().options.SilentMode) return true;
  return FolderPage().Run() == kForwardButton;
}

bool ShowStartMenuPage() {
  if (C().options.SilentMode) return true;
  return StartMenuPage().Run() == kForwardButton;
}

bool RunSummaryPage(bool offer_view_log) {
  CloseProgress();
  if (C().options.SilentMode) return false;
  SummaryPage(offer_view_log).Run();
  return C().summary.view_log;
}

void InstallWizard(std::function<void()> cancel) {
  SetProgressSink(std::make_unique<ProgressDialog>(std::move(cancel)));
  SetSummaryPageHandler(RunSummaryPage);
  InstallPreparationPages();
}

}  // namespace mv
