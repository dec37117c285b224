// The background window: one borderless window over the work area (or the whole screen) with the
// gradient, the picture, the title and the copyright line. It is the run's taskbar entry and the
// owner of every dialog and message box.
#pragma once

#include <windows.h>

#include <optional>

#include "lib/handle_win.h"
#include "ui/background_layout.h"
#include "ui/gdi_win.h"
#include "ui/picture.h"

namespace mv {

// Paints a look into any device context; the window keeps one and tests use their own.
class BackgroundPainter {
 public:
  // `use_gradient_fill` false draws the gradient as bands, as where the system's routine is missing.
  explicit BackgroundPainter(bool use_gradient_fill = true);

  // What to paint from now on; `picture` is drawn only when the look asks for one.
  void SetLook(BackgroundLook look, std::optional<Picture> picture);
  const BackgroundLook& look() const { return look_; }

  // The gradient (or single colour) and the picture over the client area of `client` size.
  void EraseBackground(HDC dc, Size client);
  // The title, then the copyright line, at `dpi` pixels per inch.
  void PaintTexts(HDC dc, Size client, int dpi) const;

 private:
  void FillGradient(HDC dc, Size client);
  void DrawPicture(HDC dc, const Rect& to) const;
  void PaintText(HDC dc, Size client, int dpi, const BackgroundText& text) const;

  BackgroundLook look_;
  std::optional<Picture> picture_;
  std::vector<std::uint32_t> mask_;  // keyed pictures
  UniqueBitmap premultiplied_;       // alpha pictures, as a DIB section for the blending routine
  UniqueModule msimg32_;
  using GradientFillFn = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
  using AlphaBlendFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
  GradientFillFn gradient_fill_ = nullptr;
  AlphaBlendFn alpha_blend_ = nullptr;
};

// The name of the window class.
inline constexpr wchar_t kBackgroundClass[] = L"SEA Window Class";

// Creates, shows and activates the background window from the settings known so far (caption
// `TaskbarText`; the full-screen flag); minimised when asked. Nothing when it cannot be created.
HWND CreateBackgroundWindow(bool minimised);

// Takes the look afresh from the settings and the current language (text 0 stands in for an empty
// title), decodes the picture and repaints. Called once the settings and texts are read, and after a
// change of language.
void UpdateBackgroundWindow(HWND window);

}  // namespace mv
