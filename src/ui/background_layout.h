// The decisions behind the background window: what it shows (from the settings), the gradient's
// bands when the system cannot draw a gradient, where the picture goes in each stretch mode, how
// large the title and copyright are drawn and where. Plain data in and out; background_win.cpp
// paints.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "package/settings.h"
#include "ui/geometry.h"

namespace mv {

inline constexpr std::uint64_t kFlagFullScreen = 1ull << 40;

// A line of text on the background (the title or the copyright).
struct BackgroundText {
  std::u16string text;
  std::u16string font;
  int points = 0;            // the starting size
  std::uint32_t color = 0;   // 0x00BBGGRR
  int shadow = 0;            // strength; 0 for none
  int position = 0;          // 0 not drawn, 1-3 top left/centre/right, 4-6 bottom left/centre/right
  bool Drawn() const { return !text.empty() && position >= 1 && position <= 6; }
};

struct BackgroundLook {
  std::uint32_t top_color = 0, bottom_color = 0;
  bool mono = false;          // fill with top_color only
  bool picture = false;       // a picture is to be drawn (decoded separately)
  int bitmap_size = 0;        // percent of the window; 0 or less: no picture
  int stretch_mode = 0;       // 0 stretch to the box, 1 natural size, 2 whole multiple, 3 tile
  BackgroundText title, copyright;
};

// What the settings ask for; `language_title` (text 0 of the current language) stands in for an
// empty DisplayTitle.
BackgroundLook MakeBackgroundLook(const Settings& settings, const std::u16string& language_title);

// The starting point size of a text: `base` x `factor`, rounded, within 1..1000 points; a factor
// that is not a positive number counts as 1.
int StartPointSize(int base, double factor);

// The gradient as horizontal bands, for when the system's gradient routine is missing: band height
// = height / 224 within 1..3 pixels, each channel stepped evenly from top to bottom.
struct Band {
  int top = 0, bottom = 0;
  std::uint32_t color = 0;
  bool operator==(const Band&) const = default;
};
std::vector<Band> GradientBands(int height, std::uint32_t top_color, std::uint32_t bottom_color);

// Where the picture goes in a client area.
struct PicturePlacement {
  enum Kind { kNone, kSingle, kTile } kind = kNone;
  Rect rect;              // kSingle: the destination; kTile: the first tile (at 0,0)
  int columns = 0, rows = 0;  // kTile: whole tiles, rounded up, covering the client area
  bool operator==(const PicturePlacement&) const = default;
};
PicturePlacement PlacePicture(Size client, Size picture, int bitmap_size, int stretch_mode);

// The text's size after shrinking to fit: while its width plus the shadow offset plus the
// horizontal margin exceeds the client width and the size is above 6 points, one point less.
// `measure` gives the text's extent at a point size.
struct FittedText {
  int points = 0;
  Size extent;
  int shadow = 0;  // the shadow offset in pixels: strength x font height / 1300
  bool operator==(const FittedText&) const = default;
};
FittedText FitText(int start_points, int shadow_strength, int client_width, int dpi,
                   const std::function<Size(int points)>& measure);

// Margins: client width / 200 across, client height / 400 down.
Size TextMargins(Size client);

// The top-left corner of a text of `extent` at `position` (1-6); nothing for any other position.
struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};
std::optional<Point> PlaceText(int position, Size client, Size extent, int shadow);

}  // namespace mv
