// The background window's painting into a 32-bit bitmap, pixel by pixel, and the window itself.
#include "ui/background_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "context/install_context_win.h"
#include "lib/system_library_win.h"

namespace mv {
namespace {

constexpr std::uint32_t kBlue = 0xFF0000, kRed = 0x0000FF, kWhite = 0xFFFFFF, kBlack = 0, kGrey = 0x808080;

// A top-down 32-bit canvas with a memory device context.
class Canvas {
 public:
  Canvas(int width, int height) : size_{width, height}, dc_(nullptr) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<const std::uint32_t*>(bits);
    select_.emplace(dc_.get(), bitmap_.get());
  }
  HDC dc() const { return dc_.get(); }
  Size size() const { return size_; }
  // The pixel as 0x00BBGGRR, like a colour of the settings.
  std::uint32_t At(int x, int y) const {
    GdiFlush();
    const std::uint32_t p = bits_[y * size_.cx + x];
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
  }
  // The bounding box of the pixels of `colour`; empty when there are none.
  Rect Find(std::uint32_t colour) const {
    Rect r{size_.cx, size_.cy, 0, 0};
    for (int y = 0; y < size_.cy; ++y)
      for (int x = 0; x < size_.cx; ++x)
        if (At(x, y) == colour) r = {std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1), std::max(r.bottom, y + 1)};
    return r;
  }

 private:
  Size size_;
  MemoryDC dc_;
  UniqueBitmap bitmap_;
  const std::uint32_t* bits_ = nullptr;
  std::optional<SelectScope> select_;
};

int ChannelDistance(std::uint32_t a, std::uint32_t b) {
  int d = 0;
  for (int shift = 0; shift <= 16; shift += 8)
    d = std::max(d, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  return d;
}

BackgroundLook Mono(std::uint32_t colour) {
  BackgroundLook look;
  look.top_color = look.bottom_color = colour;
  look.mono = true;
  return look;
}

// 20 x 10, 8 bits: the left half index 1 (drawn transparent when asked), the right half red.
Picture HalfRed(int transparent_index) {
  Picture p;
  p.width = 20;
  p.height = 10;
  p.kind = transparent_index >= 0 ? PictureKind::kKeyed : PictureKind::kOpaque;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) p.pixels.push_back(x < 10 ? (transparent_index >= 0 ? 0 : 0xFF00FF00) : 0xFFFF0000);
  return p;
}

TEST(BackgroundPaint, GradientFromTheSystemRoutineAndAsBands) {
  for (bool system_routine : {true, false}) {
    SCOPED_TRACE(system_routine ? "GradientFill" : "bands");
    Canvas canvas(200, 448);
    BackgroundPainter painter(system_routine);
    BackgroundLook look;
    look.top_color = 0x2040F0;
    look.bottom_color = 0xF04020;
    painter.SetLook(look, std::nullopt);
    painter.EraseBackground(canvas.dc(), canvas.size());
    EXPECT_LE(ChannelDistance(canvas.At(0, 0), look.top_color), 2);
    EXPECT_LE(ChannelDistance(canvas.At(199, 447), look.bottom_color), 2);
    EXPECT_LE(ChannelDistance(canvas.At(100, 224), 0x884088), 4);  // halfway
    for (int y = 1; y < 448; ++y) {
      EXPECT_LE(canvas.At(5, y) & 0xFF, canvas.At(5, y - 1) & 0xFF);          // red falls
      EXPECT_GE(canvas.At(5, y) >> 16, canvas.At(5, y - 1) >> 16);            // blue rises
      EXPECT_EQ(canvas.At(5, y), canvas.At(195, y));                          // rows are even
    }
  }
  // The routine's library is the system folder's (loaded while a painter lives).
  BackgroundPainter painter;
  HMODULE msimg32 = GetModuleHandleW(L"msimg32.dll");
  ASSERT_TRUE(msimg32);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(msimg32, path, MAX_PATH);
  std::wstring folder = SystemFolder() + L"\\", loaded = path;
  std::transform(folder.begin(), folder.end(), folder.begin(), ::towlower);
  std::transform(loaded.begin(), loaded.end(), loaded.begin(), ::towlower);
  EXPECT_EQ(loaded.rfind(folder, 0), 0u) << std::string(loaded.begin(), loaded.end());
}

TEST(BackgroundPaint, PictureInEachStretchModeWithTheTransparentIndex) {
  struct Probe {
    int x, y;
    std::uint32_t colour;
  };
  struct Case {
    const char* what;
    int size, mode;
    std::vector<Probe> probes;
  } cases[] = {
      {"natural size, centred", 50, 1, {{205, 150, kRed}, {195, 150, kBlue}, {185, 150, kBlue}, {205, 140, kBlue}}},
      {"stretched to the box", 50, 0, {{290, 140, kRed}, {210, 76, kRed}, {110, 140, kBlue}, {50, 50, kBlue}, {310, 140, kBlue}}},
      {"whole multiple", 50, 2, {{250, 150, kRed}, {290, 195, kRed}, {110, 110, kBlue}, {250, 95, kBlue}, {250, 205, kBlue}}},
      {"tiles", 50, 3, {{15, 5, kRed}, {5, 5, kBlue}, {395, 295, kRed}, {385, 285, kBlue}}},
      {"size 0: none", 0, 1, {{205, 150, kBlue}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Canvas canvas(400, 300);
    BackgroundPainter painter;
    BackgroundLook look = Mono(kBlue);
    look.picture = true;
    look.bitmap_size = c.size;
    look.stretch_mode = c.mode;
    painter.SetLook(look, HalfRed(1));
    painter.EraseBackground(canvas.dc(), canvas.size());
    for (const Probe& p : c.probes) EXPECT_EQ(canvas.At(p.x, p.y), p.colour) << p.x << "," << p.y;
  }
  // Without a transparent index the left half is drawn (green).
  Canvas canvas(400, 300);
  BackgroundPainter painter;
  BackgroundLook look = Mono(kBlue);
  look.picture = true;
  look.bitmap_size = 50;
  look.stretch_mode = 1;
  painter.SetLook(look, HalfRed(-1));
  painter.EraseBackground(canvas.dc(), canvas.size());
  EXPECT_EQ(canvas.At(195, 150), 0x00FF00u);
}

TEST(BackgroundPaint, AlphaPictureIsBlended) {
  Canvas canvas(100, 100);
  BackgroundPainter painter;
  BackgroundLook look = Mono(kBlack);
  look.picture = true;
  look.bitmap_size = 100;
  look.stretch_mode = 0;
  Picture p;
  p.width = p.height = 2;
  p.kind = PictureKind::kAlpha;
  p.pixels.assign(4, 0x80FFFFFF);  // white at half strength
  painter.SetLook(look, p);
  painter.EraseBackground(canvas.dc(), canvas.size());
  EXPECT_LE(ChannelDistance(canvas.At(50, 50), 0x808080), 2);
}

TEST(BackgroundPaint, TitleAndCopyrightPositionsShadowAndShrinking) {
  auto paint = [](BackgroundLook look, int width = 600, int height = 400) {
    auto canvas = std::make_unique<Canvas>(width, height);
    BackgroundPainter painter;
    painter.SetLook(look, std::nullopt);
    painter.EraseBackground(canvas->dc(), canvas->size());
    painter.PaintTexts(canvas->dc(), canvas->size(), 96);
    return canvas;
  };
  BackgroundLook look = Mono(kGrey);
  look.title = {u"Product Title", u"Arial", 26, kWhite, 0, 1};
  auto canvas = paint(look);
  Rect title = canvas->Find(kWhite);
  ASSERT_FALSE(title.Empty());
  EXPECT_LE(title.left, 3 + 4);  // the margin is 600 / 200
  EXPECT_LT(title.bottom, 60);
  EXPECT_TRUE(canvas->Find(kBlack).Empty());  // no shadow

  look.title.position = 0;  // not drawn, though there is a title
  EXPECT_TRUE(paint(look)->Find(kWhite).Empty());

  // Bottom right with a shadow: black beside and below the white, inside the window.
  look.title.position = 6;
  look.title.shadow = 400;  // 26 pt at 96 dpi is 35 px: 10 px offset
  canvas = paint(look);
  title = canvas->Find(kWhite);
  const Rect shadow = canvas->Find(kBlack);
  ASSERT_FALSE(title.Empty());
  ASSERT_FALSE(shadow.Empty());
  EXPECT_GT(title.top, 300);
  EXPECT_GT(title.left, 300);
  EXPECT_GE(shadow.right - title.right, 9);
  EXPECT_GE(shadow.bottom - title.bottom, 9);
  EXPECT_LE(shadow.right, 600 - 3);

  // A title too wide at 26 points is drawn smaller, whole.
  look.title = {u"A Considerably Longer Product Title Than Fits", u"Arial", 26, kWhite, 0, 2};
  canvas = paint(look, 300, 200);
  title = canvas->Find(kWhite);
  ASSERT_FALSE(title.Empty());
  EXPECT_GT(title.left, 0);
  EXPECT_LT(title.right, 300);

  // The copyright line: its own colour, never a shadow.
  look.title.position = 0;
  look.copyright = {u"(c) Somebody", u"Arial", 16, kRed, 0, 4};
  canvas = paint(look);
  const Rect copyright = canvas->Find(kRed);
  ASSERT_FALSE(copyright.Empty());
  EXPECT_LT(copyright.left, 10);
  EXPECT_GT(copyright.top, 300);
  EXPECT_TRUE(canvas->Find(kBlack).Empty());
}

// The window, created from the settings in the context and put back afterwards.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = Context().settings; }
  void TearDown() override { Context().settings = saved_; }
  Settings saved_;
};

TEST_F(WindowTest, CoversTheWorkAreaOrTheScreenAndMinimisesWhenAsked) {
  Context().settings.TaskbarText = u"MV background test";
  Context().settings.TopColor = 0x00FF00;
  Context().settings.BottomColor = 0x0000FF;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);

  HWND window = CreateBackgroundWindow(false);
  ASSERT_TRUE(window);
  wchar_t cls[64] = {}, caption[64] = {};
  GetClassNameW(window, cls, 64);
  GetWindowTextW(window, caption, 64);
  EXPECT_EQ(std::wstring(cls), L"SEA Window Class");
  EXPECT_EQ(std::wstring(caption), L"MV background test");
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(IsIconic(window));
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_TRUE(EqualRect(&r, &work));
  EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION, 0);
  DestroyWindow(window);

  Context().settings.ProductFlags = kFlagFullScreen;
  window = CreateBackgroundWindow(false);
  ASSERT_TRUE(window);
  EXPECT_TRUE(IsZoomed(window));
  DestroyWindow(window);

  Context().settings.ProductFlags = 0;
  window = CreateBackgroundWindow(true);
  ASSERT_TRUE(window);
  EXPECT_TRUE(IsIconic(window));
  DestroyWindow(window);
}

}  // namespace
}  // namespace mv
