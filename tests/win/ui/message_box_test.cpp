// The installer's own message box in real windows under Wine: a watcher thread finds the box the
// test thread shows, reads its controls back and presses them as a person (or a screen reader)
// would. Every wait has a time-out, after which the box is closed so that no test can hang.
#include "ui/message_box_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "context/install_context_win.h"
#include "context/prompt.h"

namespace mv {
namespace {

struct Control {
  int id;
  std::wstring cls, text;
  RECT rect;  // in the box's client coordinates
};

struct SeenBox {
  HWND window = nullptr;
  std::wstring caption;
  std::vector<Control> controls;
  RECT client{};
  const Control* Find(int id) const {
    for (const auto& c : controls)
      if (c.id == id) return &c;
    return nullptr;
  }
};

BOOL CALLBACK CollectChild(HWND w, LPARAM param) {
  auto* box = reinterpret_cast<SeenBox*>(param);
  wchar_t cls[64] = {}, text[512] = {};
  GetClassNameW(w, cls, 64);
  GetWindowTextW(w, text, 512);
  RECT r{};
  GetWindowRect(w, &r);
  MapWindowPoints(nullptr, box->window, reinterpret_cast<POINT*>(&r), 2);
  box->controls.push_back({GetDlgCtrlID(w), cls, text, r});
  return TRUE;
}

BOOL CALLBACK FindDialog(HWND w, LPARAM param) {
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  if (IsWindowVisible(w) && std::wstring(cls) == L"#32770") {
    *reinterpret_cast<HWND*>(param) = w;
    return FALSE;
  }
  return TRUE;
}

// Watches the test thread for a box, records it and runs `act` on it.
class Watcher {
 public:
  explicit Watcher(std::function<void(HWND)> act) : act_(std::move(act)), owner_thread_(GetCurrentThreadId()) {
    thread_ = std::thread([this] { Watch(); });
  }
  ~Watcher() { Join(); }
  // Stops looking (the call under test has returned) and waits for the watcher.
  void Join() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
  }
  const SeenBox& seen() const { return seen_; }
  // Whether the box outlived the action and had to be closed by the watcher.
  bool forced() const { return forced_; }

 private:
  void Watch() {
    const auto start = std::chrono::steady_clock::now();
    HWND box = nullptr;
    while (!box && !done_ && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
      EnumThreadWindows(owner_thread_, FindDialog, reinterpret_cast<LPARAM>(&box));
      if (!box) Sleep(20);
    }
    if (!box) return;
    Sleep(100);  // the box is visible; let it finish painting
    seen_.window = box;
    wchar_t caption[256] = {};
    GetWindowTextW(box, caption, 256);
    seen_.caption = caption;
    GetClientRect(box, &seen_.client);
    EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&seen_));
    if (act_) act_(box);
    const auto acted = std::chrono::steady_clock::now();
    while (IsWindow(box) && std::chrono::steady_clock::now() - acted < std::chrono::seconds(10)) Sleep(20);
    if (IsWindow(box)) {
      forced_ = true;
      PostMessageW(box, WM_CLOSE, 0, 0);
    }
  }

  std::function<void(HWND)> act_;
  DWORD owner_thread_;
  SeenBox seen_;
  std::atomic<bool> done_{false};
  bool forced_ = false;
  std::thread thread_;
};

std::function<void(HWND)> Click(int id) {
  return [id](HWND box) { PostMessageW(GetDlgItem(box, id), BM_CLICK, 0, 0); };
}
std::function<void(HWND)> Key(int id, WPARAM key) {
  return [id, key](HWND box) {
    HWND target = GetDlgItem(box, id);
    PostMessageW(target, WM_KEYDOWN, key, 0);
    PostMessageW(target, WM_KEYUP, key, 0xC0000000);
  };
}

struct Outcome {
  int result;
  SeenBox seen;
  bool forced;
};

Outcome ShowAndAct(const std::u16string& text, std::uint32_t style, MessageBoxSpec& spec, std::function<void(HWND)> act) {
  Watcher watcher(std::move(act));
  const int result = ShowMessageBox(nullptr, text, u"MV box test", style, spec);
  watcher.Join();
  EXPECT_FALSE(watcher.forced()) << "the box stayed open after the action";
  return {result, watcher.seen(), watcher.forced()};
}

// Controls inside the client area, apart from each other.
void ExpectLaidOut(const SeenBox& box) {
  for (std::size_t i = 0; i < box.controls.size(); ++i) {
    const RECT& a = box.controls[i].rect;
    EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= box.client.right && a.bottom <= box.client.bottom)
        << "control " << box.controls[i].id;
    for (std::size_t j = i + 1; j < box.controls.size(); ++j) {
      const RECT& b = box.controls[j].rect;
      RECT overlap{};
      EXPECT_FALSE(IntersectRect(&overlap, &a, &b)) << box.controls[i].id << " and " << box.controls[j].id;
    }
  }
}

TEST(MessageBoxWindow, ToAllButtonsReadBackAndEachReturnsItsResult) {
  const std::u16string text = u"The file exists.\r\nReplace it?";
  for (int pressed : {6, 19, 7, 20}) {
    SCOPED_TRACE(pressed);
    MessageBoxSpec spec;
    const Outcome o = ShowAndAct(text, 0x4 | 0x30 | kBoxYesToAll | kBoxNoToAll, spec, Click(pressed));
    EXPECT_EQ(o.result, pressed);
    ASSERT_TRUE(o.seen.window);
    EXPECT_EQ(o.seen.caption, L"MV box test");
    const Control* static_text = o.seen.Find(kBoxTextId);
    ASSERT_TRUE(static_text);
    EXPECT_EQ(static_text->cls, L"Static");
    EXPECT_EQ(static_text->text, L"The file exists.\r\nReplace it?");
    ASSERT_TRUE(o.seen.Find(kBoxIconId));
    std::vector<std::pair<int, std::wstring>> buttons;
    for (const auto& c : o.seen.controls)
      if (c.cls == L"Button") buttons.emplace_back(c.id, c.text);
    EXPECT_EQ(buttons, (std::vector<std::pair<int, std::wstring>>{
                           {6, L"&Yes"}, {19, L"Yes to all"}, {7, L"&No"}, {20, L"No to all"}}));
    ExpectLaidOut(o.seen);
  }
}

TEST(MessageBoxWindow, EscapeCloseBoxAndEnter) {
  MessageBoxSpec spec;
  SCOPED_TRACE("escape");
  EXPECT_EQ(ShowAndAct(u"Escape", 0x4, spec, Key(6, VK_ESCAPE)).result, 2);  // no Cancel button, still 2
  SCOPED_TRACE("close");
  EXPECT_EQ(ShowAndAct(u"Close box", 0x0, spec, [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); }).result, 2);
  SCOPED_TRACE("system close");
  EXPECT_EQ(ShowAndAct(u"System close", 0x4, spec, [](HWND box) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }).result, 2);
  // Enter presses the default button, here the second.
  SCOPED_TRACE("enter");
  const Outcome o = ShowAndAct(u"Enter", 0x4 | 0x100, spec, Key(7, VK_RETURN));
  EXPECT_EQ(o.result, 7);
}

TEST(MessageBoxWindow, CustomButtonsAloneAndTheCheckBoxState) {
  MessageBoxSpec spec;
  spec.buttons = {{u"Install now", 100}, {u"Later", 101}};
  spec.check_label = u"Do not ask again";
  Outcome o = ShowAndAct(u"An update is ready.", 0, spec, [](HWND box) {
    SendMessageW(GetDlgItem(box, kBoxCheckId), BM_CLICK, 0, 0);
    PostMessageW(GetDlgItem(box, 101), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(o.result, 101);
  EXPECT_TRUE(spec.checked);
  int buttons = 0;
  for (const auto& c : o.seen.controls) buttons += c.cls == L"Button" && c.id != kBoxCheckId;
  EXPECT_EQ(buttons, 2);  // no OK
  ASSERT_TRUE(o.seen.Find(kBoxCheckId));
  EXPECT_EQ(o.seen.Find(kBoxCheckId)->text, L"Do not ask again");
  EXPECT_FALSE(o.seen.Find(kBoxIconId));
  ExpectLaidOut(o.seen);

  // Left alone, the check box keeps its starting state; Escape stores it too.
  o = ShowAndAct(u"Again", 0, spec, Key(100, VK_ESCAPE));
  EXPECT_EQ(o.result, 2);
  EXPECT_TRUE(spec.checked);
  o = ShowAndAct(u"Again", 0, spec, [](HWND box) {
    SendMessageW(GetDlgItem(box, kBoxCheckId), BM_CLICK, 0, 0);
    PostMessageW(GetDlgItem(box, 100), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(o.result, 100);
  EXPECT_FALSE(spec.checked);
}

TEST(MessageBoxWindow, FontAtTheMonitorsDpiAndTextNotClipped) {
  MessageBoxSpec spec;
  spec.font = u"Tahoma";
  spec.points = 13.0;
  std::wstring long_text;
  for (int i = 0; i < 40; ++i) long_text += L"Every word of this sentence must stay visible. ";
  LOGFONTW font{};
  RECT needed{}, given{};
  const Outcome o = ShowAndAct(std::u16string(long_text.begin(), long_text.end()), 0x10, spec, [&](HWND box) {
    HWND text = GetDlgItem(box, kBoxTextId);
    HFONT f = reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0));
    GetObjectW(f, sizeof font, &font);
    GetClientRect(text, &given);
    HDC dc = GetDC(text);
    HGDIOBJ old = SelectObject(dc, f);
    needed = {0, 0, given.right, 0};
    DrawTextW(dc, long_text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL);
    SelectObject(dc, old);
    ReleaseDC(text, dc);
    PostMessageW(GetDlgItem(box, 1), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(o.result, 1);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(font.lfHeight, -MulDiv(13, dpi, 72));
  EXPECT_EQ(std::wstring(font.lfFaceName), L"Tahoma");
  EXPECT_LE(needed.bottom, given.bottom);  // every line fits the static control
  EXPECT_GT(given.bottom, 3 * -font.lfHeight);  // the text wrapped onto several lines
  ExpectLaidOut(o.seen);
}

// The process-wide state these tests change, put back afterwards.
class ContextScope {
 public:
  ContextScope() : options_(Context().options), automatic_(Context().messages_in_automatic_mode) {}
  ~ContextScope() {
    Context().options = options_;
    Context().messages_in_automatic_mode = automatic_;
    SetPromptHandler({});
  }

 private:
  RunOptions options_;
  bool automatic_;
};

TEST(MessageBoxWindow, SilentRunsAnswerAtOnce) {
  ContextScope scope;
  InstallMessageBoxes();
  Context().options.SilentMode = true;
  Context().options.AutomaticMode = true;
  Watcher watcher(Click(1));  // would press a box if one appeared
  const DWORD start = GetTickCount();
  MessageBoxSpec spec;
  EXPECT_EQ(ShowMessageBox(nullptr, u"silent", u"MV box test", 0x3 | 0x100, spec), 7);  // the default button
  EXPECT_EQ(ShowMessage(u"silent", u"MV box test", kPromptYesNo), 1);
  EXPECT_TRUE(ShowQuestion(u"silent", u"MV box test"));
  EXPECT_TRUE(ShowOkCancel(u"silent", u"MV box test", 0));
  ShowError(u"silent");
  EXPECT_LT(GetTickCount() - start, 2000u);
  watcher.Join();
  EXPECT_FALSE(watcher.seen().window);
}

TEST(MessageBoxWindow, WrappersShowTheirBoxes) {
  ContextScope scope;
  InstallMessageBoxes();
  Context().options.SilentMode = false;
  Context().options.AutomaticMode = false;
  {
    Watcher watcher(Click(7));
    EXPECT_FALSE(ShowQuestion(u"Proceed?", u"MV question"));
    watcher.Join();
    EXPECT_FALSE(watcher.forced());
    EXPECT_EQ(watcher.seen().caption, L"MV question");
    ASSERT_TRUE(watcher.seen().Find(6));
    EXPECT_EQ(watcher.seen().Find(6)->text, L"&Yes");  // no language texts here: the standard labels
  }
  {
    Watcher watcher(Click(1));
    ShowError(u"Something failed: %d", 42);
    watcher.Join();
    EXPECT_FALSE(watcher.forced());
    EXPECT_EQ(watcher.seen().caption, L"Error");
    ASSERT_TRUE(watcher.seen().Find(kBoxTextId));
    EXPECT_EQ(watcher.seen().Find(kBoxTextId)->text, L"Something failed: 42");
    ASSERT_TRUE(watcher.seen().Find(1));
    EXPECT_EQ(watcher.seen().Find(1)->text, L"OK");
  }
  {
    Watcher watcher(Click(2));
    EXPECT_FALSE(ShowOkCancel(u"Go on?", u"MV ok", 0));
    watcher.Join();
    EXPECT_FALSE(watcher.forced());
    EXPECT_TRUE(watcher.seen().Find(kBoxIconId));
  }
  // Automatic runs show errors only when the package asks for it.
  Context().options.AutomaticMode = true;
  {
    Watcher watcher(Click(1));
    const DWORD start = GetTickCount();
    ShowError(u"not shown");
    EXPECT_LT(GetTickCount() - start, 2000u);
    watcher.Join();
    EXPECT_FALSE(watcher.forced());
    EXPECT_FALSE(watcher.seen().window);
  }
  Context().messages_in_automatic_mode = true;
  {
    Watcher watcher(Click(1));
    ShowError(u"shown");
    watcher.Join();
    EXPECT_FALSE(watcher.forced());
    EXPECT_TRUE(watcher.seen().window);
  }
}

}  // namespace
}  // namespace mv
