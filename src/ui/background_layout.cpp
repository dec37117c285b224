#include "ui/background_layout.h"

#include <algorithm>
#include <cmath>

namespace mv {

int StartPointSize(int base, double factor) {
  if (!std::isfinite(factor) || factor <= 0) factor = 1.0;
  const double points = std::round(base * factor);
  return static_cast<int>(std::clamp(points, 1.0, 1000.0));
}

BackgroundLook MakeBackgroundLook(const Settings& s, const std::u16string& language_title) {
  BackgroundLook look;
  look.top_color = s.TopColor;
  look.bottom_color = s.BottomColor;
  look.mono = MonoColor(s);
  look.picture = (s.ProductFlags & kFlagBackgroundPicture) && !s.BackgroundBitmap.empty() && s.BitmapSize > 0;
  look.bitmap_size = s.BitmapSize;
  look.stretch_mode = s.StretchMode;
  look.title = {s.DisplayTitle.empty() ? language_title : s.DisplayTitle,
                s.TitleFont,
                StartPointSize(26, s.TitleSize),
                s.TitleColor,
                s.TitleShadow,
                s.TitlePosition};
  look.copyright = {s.CopyrightText, s.CopyrightFont, StartPointSize(16, s.CopyrightSize), s.CopyrightColor, 0,
                    s.CopyrightPos};
  return look;
}

std::vector<Band> GradientBands(int height, std::uint32_t top_color, std::uint32_t bottom_color) {
  std::vector<Band> bands;
  if (height <= 0) return bands;
  const int band = std::clamp(height / 224, 1, 3);
  const int count = (height + band - 1) / band;
  for (int i = 0; i < count; ++i) {
    std::uint32_t colour = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const int from = (top_color >> shift) & 0xFF, to = (bottom_color >> shift) & 0xFF;
      const int value = count == 1 ? from : from + (to - from) * i / (count - 1);
      colour |= static_cast<std::uint32_t>(value) << shift;
    }
    bands.push_back({i * band, std::min(height, (i + 1) * band), colour});
  }
  return bands;
}

PicturePlacement PlacePicture(Size client, Size picture, int bitmap_size, int stretch_mode) {
  PicturePlacement p;
  if (bitmap_size <= 0 || picture.cx <= 0 || picture.cy <= 0 || client.cx <= 0 || client.cy <= 0) return p;
  if (stretch_mode == 3) {
    p.kind = PicturePlacement::kTile;
    p.rect = RectAt(0, 0, picture.cx, picture.cy);
    p.columns = (client.cx + picture.cx - 1) / picture.cx;
    p.rows = (client.cy + picture.cy - 1) / picture.cy;
    return p;
  }
  const std::int64_t percent = std::min(bitmap_size, 100);
  const Size box_size{static_cast<int>((client.cx * percent + 50) / 100), static_cast<int>((client.cy * percent + 50) / 100)};
  const Rect window{0, 0, client.cx, client.cy};
  const Rect box = CentreIn(window, box_size);
  p.kind = PicturePlacement::kSingle;
  if (stretch_mode == 1) {
    p.rect = CentreIn(window, picture);
  } else if (stretch_mode == 2) {
    const int times = std::max(1, std::min(box_size.cx / picture.cx, box_size.cy / picture.cy));
    p.rect = CentreIn(box, {picture.cx * times, picture.cy * times});
  } else {
    p.rect = box;
  }
  return p;
}

Size TextMargins(Size client) { return {client.cx / 200, client.cy / 400}; }

FittedText FitText(int start_points, int shadow_strength, int client_width, int dpi,
                   const std::function<Size(int points)>& measure) {
  const int margin = client_width / 200;
  FittedText f;
  for (f.points = start_points;; --f.points) {
    f.extent = measure(f.points);
    f.shadow = static_cast<int>(std::int64_t{shadow_strength} * PointsToPixels(f.points, dpi) / 1300);
    if (f.extent.cx + f.shadow + margin <= client_width || f.points <= 6) return f;
  }
}

std::optional<Point> PlaceText(int position, Size client, Size extent, int shadow) {
  if (position < 1 || position > 6) return std::nullopt;
  const Size margin = TextMargins(client);
  const int column = (position - 1) % 3;  // 0 left, 1 centre, 2 right
  Point p;
  if (column == 0) p.x = margin.cx;
  else if (column == 1) p.x = (client.cx - extent.cx - shadow) / 2;
  else p.x = client.cx - margin.cx - shadow - extent.cx;
  p.y = position <= 3 ? margin.cy : client.cy - margin.cy - shadow - extent.cy;
  return p;
}

}  // namespace mv
