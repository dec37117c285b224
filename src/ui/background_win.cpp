#include "ui/background_win.h"

#include <utility>

#include "base/codepage.h"
#include "context/install_context_win.h"
#include "lib/system_library_win.h"
#include "lib/wide_win.h"

namespace mv {

namespace {

constexpr char kBackgroundClassNarrow[] = "SEA Window Class";

BITMAPINFO PictureInfo(const Picture& p) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = p.width;
  info.bmiHeader.biHeight = -p.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

void FillColour(HDC dc, const RECT& r, std::uint32_t colour) {
  UniqueBrush brush(CreateSolidBrush(colour));
  if (brush) FillRect(dc, &r, brush.get());
}

}  // namespace

BackgroundPainter::BackgroundPainter(bool use_gradient_fill) {
  msimg32_ = LoadSystemLibrary(L"msimg32.dll");
  if (use_gradient_fill) gradient_fill_ = msimg32_.Function<GradientFillFn>("GradientFill");
  alpha_blend_ = msimg32_.Function<AlphaBlendFn>("AlphaBlend");
}

void BackgroundPainter::SetLook(BackgroundLook look, std::optional<Picture> picture) {
  look_ = std::move(look);
  picture_ = look_.picture ? std::move(picture) : std::nullopt;
  mask_.clear();
  premultiplied_.reset();
  if (!picture_) return;
  if (picture_->kind == PictureKind::kKeyed) mask_ = TransparencyMask(*picture_);
  if (picture_->kind == PictureKind::kAlpha && alpha_blend_) {
    BITMAPINFO info = PictureInfo(*picture_);
    void* bits = nullptr;
    premultiplied_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (premultiplied_ && bits) {
      const std::vector<std::uint32_t> pixels = PremultipliedPixels(*picture_);
      std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
    } else {
      premultiplied_.reset();
    }
  }
}

void BackgroundPainter::FillGradient(HDC dc, Size client) {
  const RECT all{0, 0, client.cx, client.cy};
  if (look_.mono) {
    FillColour(dc, all, look_.top_color);
    return;
  }
  if (gradient_fill_) {
    auto vertex = [](int x, int y, std::uint32_t c) {
      TRIVERTEX v{};
      v.x = x;
      v.y = y;
      v.Red = static_cast<COLOR16>((c & 0xFF) << 8);
      v.Green = static_cast<COLOR16>(((c >> 8) & 0xFF) << 8);
      v.Blue = static_cast<COLOR16>(((c >> 16) & 0xFF) << 8);
      return v;
    };
    TRIVERTEX v[2] = {vertex(0, 0, look_.top_color), vertex(client.cx, client.cy, look_.bottom_color)};
    GRADIENT_RECT rect{0, 1};
    if (gradient_fill_(dc, v, 2, &rect, 1, GRADIENT_FILL_RECT_V)) return;
  }
  for (const Band& band : GradientBands(client.cy, look_.top_color, look_.bottom_color)) {
    UniqueBrush brush(CreateSolidBrush(band.color));
    if (!brush) {
      // Without brushes for the bands the background stays one colour from now on.
      look_.mono = true;
      FillColour(dc, all, look_.top_color);
      return;
    }
    const RECT r{0, band.top, client.cx, band.bottom};
    FillRect(dc, &r, brush.get());
  }
}

void BackgroundPainter::DrawPicture(HDC dc, const Rect& to) const {
  const Picture& p = *picture_;
  BITMAPINFO info = PictureInfo(p);
  auto stretch = [&](const void* pixels, DWORD rop) {
    StretchDIBits(dc, to.left, to.top, to.Width(), to.Height(), 0, 0, p.width, p.height, pixels, &info,
                  DIB_RGB_COLORS, rop);
  };
  if (premultiplied_) {
    MemoryDC source(dc);
    if (source) {
      SelectScope select(source.get(), premultiplied_.get());
      const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      if (alpha_blend_(dc, to.left, to.top, to.Width(), to.Height(), source.get(), 0, 0, p.width, p.height, blend))
        return;
    }
  }
  if (!mask_.empty()) {
    // The mask keeps the background where the picture is transparent and blackens the rest; the
    // picture, black where it is transparent, is then added on top.
    SetStretchBltMode(dc, COLORONCOLOR);
    stretch(mask_.data(), SRCAND);
    stretch(p.pixels.data(), SRCPAINT);
    return;
  }
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  stretch(p.pixels.data(), SRCCOPY);
}

void BackgroundPainter::EraseBackground(HDC dc, Size client) {
  FillGradient(dc, client);
  if (!picture_) return;
  const PicturePlacement place =
      PlacePicture(client, {picture_->width, picture_->height}, look_.bitmap_size, look_.stretch_mode);
  if (place.kind == PicturePlacement::kSingle) {
    DrawPicture(dc, place.rect);
  } else if (place.kind == PicturePlacement::kTile) {
    for (int row = 0; row < place.rows; ++row)
      for (int column = 0; column < place.columns; ++column)
        DrawPicture(dc, RectAt(column * picture_->width, row * picture_->height, picture_->width, picture_->height));
  }
}

namespace {

UniqueFont TextFont(const BackgroundText& text, int points, int dpi) {
  return UniqueFont(CreateFontW(-PointsToPixels(points, dpi), 0, 0, 0, FW_HEAVY, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                W(text.font)));
}

Size TextExtent(HDC dc, const std::u16string& text) {
  SIZE s{};
  GetTextExtentPoint32W(dc, W(text), static_cast<int>(text.size()), &s);
  return {s.cx, s.cy};
}

}  // namespace

void BackgroundPainter::PaintText(HDC dc, Size client, int dpi, const BackgroundText& text) const {
  if (!text.Drawn()) return;
  const FittedText fitted = FitText(text.points, text.shadow, client.cx, dpi, [&](int points) {
    UniqueFont font = TextFont(text, points, dpi);
    SelectScope select(dc, font.get());
    return TextExtent(dc, text.text);
  });
  const std::optional<Point> at = PlaceText(text.position, client, fitted.extent, fitted.shadow);
  UniqueFont font = TextFont(text, fitted.points, dpi);
  if (!at || !font) return;
  SelectScope select(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  const int length = static_cast<int>(text.text.size());
  if (fitted.shadow >= 1) {
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, at->x + fitted.shadow, at->y + fitted.shadow, W(text.text), length);
  }
  SetTextColor(dc, text.color & 0xFFFFFF);
  TextOutW(dc, at->x, at->y, W(text.text), length);
}

void BackgroundPainter::PaintTexts(HDC dc, Size client, int dpi) const {
  PaintText(dc, client, dpi, look_.title);
  PaintText(dc, client, dpi, look_.copyright);
}

namespace {

BackgroundPainter* PainterOf(HWND window) {
  return reinterpret_cast<BackgroundPainter*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

Size ClientSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}

LRESULT CALLBACK BackgroundProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const bool wide = IsWindowUnicode(window);
  switch (message) {
    case WM_NCCREATE:
      // The painter lives exactly as long as the window.
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new BackgroundPainter()));
      break;
    case WM_NCDESTROY:
      delete PainterOf(window);
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND:
      if (BackgroundPainter* painter = PainterOf(window)) {
        painter->EraseBackground(reinterpret_cast<HDC>(wparam), ClientSize(window));
        return 1;
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (HDC dc = BeginPaint(window, &ps)) {
        if (BackgroundPainter* painter = PainterOf(window)) painter->PaintTexts(dc, ClientSize(window), DpiOf(window));
        EndPaint(window, &ps);
      }
      return 0;
    }
    default:
      break;
  }
  return wide ? DefWindowProcW(window, message, wparam, lparam) : DefWindowProcA(window, message, wparam, lparam);
}

// The class, registered once per process as a wide class, or as an 8-bit one when that fails or a
// wide window cannot be made. A class of the name that exists already serves as it is.
bool RegisterWideClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = BackgroundProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kBackgroundClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

bool RegisterNarrowClass() {
  static const bool registered = [] {
    WNDCLASSEXA ac{};
    ac.cbSize = sizeof ac;
    ac.style = CS_HREDRAW | CS_VREDRAW;
    ac.lpfnWndProc = BackgroundProc;
    ac.hInstance = GetModuleHandleW(nullptr);
    ac.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
    ac.lpszClassName = kBackgroundClassNarrow;
    return RegisterClassExA(&ac) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

HWND CreateBackgroundWindow(bool minimised) {
  InstallContext& c = Context();
  bool full_screen = (c.settings.ProductFlags & kFlagFullScreen) != 0;
  RECT area{0, 0, 1, 1};
  if (!full_screen && !SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
    full_screen = true;
    area = {0, 0, 1, 1};
  }
  if (full_screen) area = {0, 0, 1, 1};  // the maximised show enlarges it

  const DWORD style = WS_POPUP | (minimised ? WS_MINIMIZE : 0);
  const int width = area.right - area.left, height = area.bottom - area.top;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND window = nullptr;
  if (RegisterWideClass())
    window = CreateWindowExW(WS_EX_APPWINDOW, kBackgroundClass, W(c.settings.TaskbarText), style, area.left, area.top,
                             width, height, nullptr, nullptr, instance, nullptr);
  if (!window && RegisterNarrowClass())
    window = CreateWindowExA(WS_EX_APPWINDOW, kBackgroundClassNarrow, Utf16ToCp1252(c.settings.TaskbarText).c_str(),
                             style, area.left, area.top, width, height, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  if (c.large_icon) SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(c.large_icon));
  if (c.small_icon) SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(c.small_icon));
  UpdateBackgroundWindow(window);
  ShowWindow(window, SW_HIDE);
  ShowWindow(window, full_screen ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  if (minimised) ShowWindow(window, SW_MINIMIZE);
  SetForegroundWindow(window);
  SetActiveWindow(window);
  InvalidateRect(window, nullptr, TRUE);
  return window;
}

void UpdateBackgroundWindow(HWND window) {
  BackgroundPainter* painter = window ? PainterOf(window) : nullptr;
  if (!painter) return;
  const InstallContext& c = Context();
  BackgroundLook look = MakeBackgroundLook(c.settings, LanguageText(0));
  std::optional<Picture> picture;
  if (look.picture) {
    picture = DecodeBitmapFile(c.settings.BackgroundBitmap, c.settings.BitmapTPI);
    if (picture && look.stretch_mode == 3) picture = RepeatPicture(*picture, 256, 256);
  }
  painter->SetLook(std::move(look), std::move(picture));
  InvalidateRect(window, nullptr, TRUE);
}

}  // namespace mv
