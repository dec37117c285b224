// mvui: drives the windows of another process for tests.
//
//   mvui find     <window> [--timeout ms]             prints the window handle
//   mvui list     <window> [--timeout ms]             one line per child: id<TAB>class<TAB>text
//   mvui click    <window> --id N [--timeout ms]      presses a button (BM_CLICK)
//   mvui settext  <window> --id N --text T            sets an edit control's text
//   mvui select   <window> --id N --index I           selects a list-box or combo-box item
//   mvui close    <window>                            sends WM_CLOSE
//   mvui key      <window> --vk K [--id N]            presses a key (virtual-key code K) on a control
//                                                     or on the window itself
//   mvui state    <window> --id N                     prints "enabled=E visible=V checked=C" of a control
//   mvui scroll   <window> --id N                     prints "pos=P page=S max=M" of a control's
//                                                     vertical scroll bar
//   mvui progress <window> --id N                     prints "pos=P max=M" of a progress bar
//
// <window> is --class NAME and/or --title TEXT (exact match) of a visible top-level window, optionally
// with --holding TEXT: one of its child controls shows TEXT. Waiting
// for the window (default 10 s) is the only wait; every message is sent with a time-out.
// Exit codes: 0 done, 1 window or control not found, 2 usage error.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr UINT kSendTimeout = 5000;

struct Options {
  std::wstring command, class_name, title, text, holding;
  int id = -1;
  int index = -1;
  int vk = -1;
  DWORD timeout = 10000;
  bool has_class = false, has_title = false;
};

struct FindState {
  const Options* options;
  HWND found;
};

std::wstring ClassOf(HWND w) {
  wchar_t buffer[256] = {};
  GetClassNameW(w, buffer, 256);
  return buffer;
}

std::wstring TextOf(HWND w) {
  wchar_t buffer[1024] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                      kSendTimeout, &ignored);
  return buffer;
}

struct HoldingState {
  const std::wstring* text;
  bool found;
};

BOOL CALLBACK ChildHolds(HWND w, LPARAM param) {
  auto* state = reinterpret_cast<HoldingState*>(param);
  if (TextOf(w).find(*state->text) == std::wstring::npos) return TRUE;
  state->found = true;
  return FALSE;
}

// Whether a child control of `w` shows `text`: tells apart windows with the same title (two error
// boxes of tests running side by side).
bool HoldsText(HWND w, const std::wstring& text) {
  HoldingState state{&text, false};
  EnumChildWindows(w, ChildHolds, reinterpret_cast<LPARAM>(&state));
  return state.found;
}

BOOL CALLBACK MatchTopLevel(HWND w, LPARAM param) {
  auto* state = reinterpret_cast<FindState*>(param);
  if (!IsWindowVisible(w)) return TRUE;
  const Options& o = *state->options;
  if (o.has_class && ClassOf(w) != o.class_name) return TRUE;
  if (o.has_title && TextOf(w) != o.title) return TRUE;
  if (!o.holding.empty() && !HoldsText(w, o.holding)) return TRUE;
  state->found = w;
  return FALSE;
}

HWND FindTopLevel(const Options& o) {
  DWORD start = GetTickCount();
  for (;;) {
    FindState state{&o, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&state));
    if (state.found) return state.found;
    if (GetTickCount() - start >= o.timeout) return nullptr;
    Sleep(50);
  }
}

BOOL CALLBACK PrintChild(HWND w, LPARAM) {
  std::wstring text = TextOf(w);
  for (auto& c : text)
    if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
  std::wprintf(L"%d\t%ls\t%ls\n", GetDlgCtrlID(w), ClassOf(w).c_str(), text.c_str());
  return TRUE;
}

bool ParseArguments(int argc, wchar_t** argv, Options& o) {
  if (argc < 2) return false;
  o.command = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::wstring a = argv[i];
    if (i + 1 >= argc) return false;
    const wchar_t* v = argv[++i];
    if (a == L"--class") o.class_name = v, o.has_class = true;
    else if (a == L"--title") o.title = v, o.has_title = true;
    else if (a == L"--text") o.text = v;
    else if (a == L"--holding") o.holding = v;
    else if (a == L"--id") o.id = static_cast<int>(std::wcstol(v, nullptr, 0));
    else if (a == L"--vk") o.vk = static_cast<int>(std::wcstol(v, nullptr, 0));
    else if (a == L"--index") o.index = static_cast<int>(std::wcstol(v, nullptr, 0));
    else if (a == L"--timeout") o.timeout = static_cast<DWORD>(std::wcstoul(v, nullptr, 0));
    else return false;
  }
  return o.has_class || o.has_title;
}

int Fail(const wchar_t* what) {
  std::fwprintf(stderr, L"mvui: %ls\n", what);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options o;
  if (!ParseArguments(argc, argv, o)) {
    std::fputs("usage: mvui find|list|click|settext|select|close|key|state|scroll|progress --class C --title T "
               "[--holding T] [--id N] [--text T] [--index I] [--vk K] [--timeout ms]\n", stderr);
    return 2;
  }
  HWND window = FindTopLevel(o);
  if (!window) return Fail(L"window not found");
  HWND control = o.id >= 0 ? GetDlgItem(window, o.id) : nullptr;
  DWORD_PTR result = 0;

  if (o.command == L"find") {
    std::wprintf(L"%p\n", static_cast<void*>(window));
  } else if (o.command == L"list") {
    EnumChildWindows(window, PrintChild, 0);
  } else if (o.command == L"close") {
    PostMessageW(window, WM_CLOSE, 0, 0);
  } else if (o.command == L"key") {
    // Posted to the control, as the system queues a key for the window with the focus; the dialog
    // manager of the owner's loop then handles Escape, Enter and Tab.
    if (o.vk <= 0 || (o.id >= 0 && !control)) return Fail(L"key or control not found");
    HWND target = control ? control : window;
    PostMessageW(target, WM_KEYDOWN, static_cast<WPARAM>(o.vk), 1);
    PostMessageW(target, WM_KEYUP, static_cast<WPARAM>(o.vk), 0xC0000001);
  } else if (!control) {
    return Fail(L"control not found");
  } else if (o.command == L"state") {
    DWORD_PTR checked = 0;
    SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout, &checked);
    std::wprintf(L"enabled=%d visible=%d checked=%d\n", IsWindowEnabled(control) ? 1 : 0,
                 IsWindowVisible(control) ? 1 : 0, static_cast<int>(checked));
  } else if (o.command == L"scroll") {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(control, SB_VERT, &info)) return Fail(L"no scroll bar");
    std::wprintf(L"pos=%d page=%u max=%d\n", info.nPos, info.nPage, info.nMax);
  } else if (o.command == L"progress") {
    DWORD_PTR pos = 0, max = 0;
    if (!SendMessageTimeoutW(control, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout, &pos) ||
        !SendMessageTimeoutW(control, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, kSendTimeout, &max))
      return Fail(L"no answer from the control");
    std::wprintf(L"pos=%d max=%d\n", static_cast<int>(pos), static_cast<int>(max));
  } else if (o.command == L"click") {
    // Posted: the button's owner may open a modal loop that would hold a sent message.
    PostMessageW(control, BM_CLICK, 0, 0);
  } else if (o.command == L"settext") {
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(o.text.c_str()),
                        SMTO_ABORTIFHUNG, kSendTimeout, &result);
  } else if (o.command == L"select") {
    bool combo = ClassOf(control).find(L"ComboBox") != std::wstring::npos ||
                 ClassOf(control).find(L"COMBOBOX") != std::wstring::npos;
    UINT set = combo ? CB_SETCURSEL : LB_SETCURSEL;
    WORD notify = combo ? CBN_SELCHANGE : LBN_SELCHANGE;
    SendMessageTimeoutW(control, set, static_cast<WPARAM>(o.index), 0, SMTO_ABORTIFHUNG, kSendTimeout,
                        &result);
    SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(o.id, notify), reinterpret_cast<LPARAM>(control),
                        SMTO_ABORTIFHUNG, kSendTimeout, &result);
  } else {
    return Fail(L"unknown command");
  }
  std::fflush(stdout);
  return 0;
}
