// Plain rectangles and sizes for the layout decisions of the user interface, in device pixels.
#pragma once

#include <cstdint>

namespace mv {

struct Size {
  int cx = 0, cy = 0;
  bool operator==(const Size&) const = default;
};

// Right and bottom are exclusive, as in the system's RECT.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(const Rect& r) const {
    return r.left >= left && r.top >= top && r.right <= right && r.bottom <= bottom;
  }
  bool Overlaps(const Rect& r) const {
    return left < r.right && r.left < right && top < r.bottom && r.top < bottom;
  }
  bool operator==(const Rect&) const = default;
};

inline Rect RectAt(int x, int y, int cx, int cy) { return {x, y, x + cx, y + cy}; }

// `value` design pixels (at 96 pixels per inch) at `dpi`, rounded to nearest.
inline int ScaleForDpi(int value, int dpi) {
  const std::int64_t v = static_cast<std::int64_t>(value) * dpi;
  return static_cast<int>(v >= 0 ? (v + 48) / 96 : -((-v + 48) / 96));
}

// The pixel height of a font of `points` at `dpi` (points x pixels per inch / 72, rounded).
inline int PointsToPixels(int points, int dpi) {
  const std::int64_t v = static_cast<std::int64_t>(points) * dpi;
  return static_cast<int>(v >= 0 ? (v + 36) / 72 : -((-v + 36) / 72));
}

// A `size` rectangle centred in `area` (the left/top pixel of an odd remainder goes to the left/top).
inline Rect CentreIn(const Rect& area, Size size) {
  const int x = area.left + (area.Width() - size.cx) / 2;
  const int y = area.top + (area.Height() - size.cy) / 2;
  return RectAt(x, y, size.cx, size.cy);
}

}  // namespace mv
