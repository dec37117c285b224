#include "ui/background_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace mv {
namespace {

std::uint32_t Channel(std::uint32_t colour, int shift) { return (colour >> shift) & 0xFF; }

TEST(BackgroundGradient, BandsCoverTheHeightAndStepEachChannelEvenly) {
  struct Case {
    int height;
    int band;
  } cases[] = {{1, 1}, {223, 1}, {224, 1}, {448, 2}, {671, 2}, {672, 3}, {1000, 3}, {5000, 3}};
  const std::uint32_t top = 0x00FF2000, bottom = 0x000020FF;  // blue falls, green stays, red rises
  for (const auto& c : cases) {
    SCOPED_TRACE(c.height);
    const std::vector<Band> bands = GradientBands(c.height, top, bottom);
    ASSERT_FALSE(bands.empty());
    EXPECT_EQ(bands.front().top, 0);
    EXPECT_EQ(bands.back().bottom, c.height);
    EXPECT_EQ(bands.front().color, top);
    if (bands.size() > 1) {
      EXPECT_EQ(bands.back().color, bottom);
    }
    for (std::size_t i = 0; i < bands.size(); ++i) {
      if (i + 1 < bands.size()) {
        EXPECT_EQ(bands[i].bottom - bands[i].top, c.band);
        EXPECT_EQ(bands[i].bottom, bands[i + 1].top);
        EXPECT_LE(Channel(bands[i].color, 0), Channel(bands[i + 1].color, 0));
        EXPECT_GE(Channel(bands[i].color, 16), Channel(bands[i + 1].color, 16));
      }
      EXPECT_EQ(Channel(bands[i].color, 8), 0x20u);
    }
  }
  EXPECT_TRUE(GradientBands(0, top, bottom).empty());
  EXPECT_TRUE(GradientBands(-3, top, bottom).empty());
  // Halfway down, halfway between (224 bands of one pixel: band 111.5 of 223 steps).
  const auto half = GradientBands(224, 0x000000, 0xFEFEFE);
  EXPECT_EQ(half[223].color, 0xFEFEFEu);
  EXPECT_EQ(Channel(half[112].color, 0), 0x7Fu);
}

TEST(BackgroundPicture, PlacementPerStretchMode) {
  using P = PicturePlacement;
  const Size client{1000, 800};
  struct Case {
    const char* what;
    Size picture;
    int size, mode;
    P expected;
  } cases[] = {
      {"size 0: no picture in any mode", {100, 50}, 0, 0, {}},
      {"size 0 while tiling", {100, 50}, 0, 3, {}},
      {"negative size", {100, 50}, -5, 1, {}},
      {"stretched to the centred box", {100, 50}, 50, 0, {P::kSingle, {250, 200, 750, 600}}},
      {"natural size centred in the window", {100, 50}, 50, 1, {P::kSingle, {450, 375, 550, 425}}},
      {"natural size larger than the window", {1200, 900}, 50, 1, {P::kSingle, {-100, -50, 1100, 850}}},
      {"largest whole multiple in the box", {100, 50}, 50, 2, {P::kSingle, {250, 275, 750, 525}}},
      {"box smaller than the picture: own size", {600, 500}, 50, 2, {P::kSingle, {200, 150, 800, 650}}},
      {"multiple of a box of the whole window", {300, 300}, 100, 2, {P::kSingle, {200, 100, 800, 700}}},
      {"tiles rounded up", {100, 50}, 10, 3, {P::kTile, {0, 0, 100, 50}, 10, 16}},
      {"tiles of a picture that does not divide", {300, 300}, 10, 3, {P::kTile, {0, 0, 300, 300}, 4, 3}},
      {"unknown modes stretch", {100, 50}, 50, 9, {P::kSingle, {250, 200, 750, 600}}},
      {"sizes above 100 are the whole window", {100, 50}, 400, 0, {P::kSingle, {0, 0, 1000, 800}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PlacePicture(client, c.picture, c.size, c.mode), c.expected);
  }
  // The box is rounded to the nearest pixel: 33 % of 999 is 329.67.
  EXPECT_EQ(PlacePicture({999, 3}, {1, 1}, 33, 0).rect.Width(), 330);
  EXPECT_EQ(PlacePicture({0, 0}, {1, 1}, 50, 0).kind, P::kNone);
  EXPECT_EQ(PlacePicture(client, {0, 10}, 50, 0).kind, P::kNone);
}

TEST(BackgroundText, ShrinksToFitDownToSixPoints) {
  // A text 20 pixels wide per point; the margin is the client width / 200.
  auto measure = [](int points) { return Size{20 * points, 2 * points}; };
  struct Case {
    const char* what;
    int start, shadow, width;
    int points;
  } cases[] = {
      {"fits at once", 26, 0, 1000, 26},
      {"exactly fits with the margin", 26, 0, 522, 26},  // 520 + 522 / 200
      {"one pixel too wide", 26, 0, 521, 25},
      {"shrinks", 40, 0, 600, 29},  // 29 x 20 + 3 = 583
      {"stops at 6 points though it overflows", 26, 0, 50, 6},
      {"starts below 6: measured once", 4, 0, 10, 4},
      {"the shadow counts", 26, 1300, 540, 25},  // at 26 pt the shadow is 35 px: 520 + 35 + 2 > 540
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int calls = 0;
    const FittedText f = FitText(c.start, c.shadow, c.width, 96, [&](int p) {
      ++calls;
      return measure(p);
    });
    EXPECT_EQ(f.points, c.points);
    EXPECT_EQ(f.extent, measure(c.points));
    EXPECT_EQ(calls, c.start - c.points + 1);
  }
  // Shadow offset: strength x font height / 1300; 26 pt at 96 dpi is 35 px, at 144 dpi 52 px.
  EXPECT_EQ(FitText(26, 130, 10000, 96, measure).shadow, 3);
  EXPECT_EQ(FitText(26, 130, 10000, 144, measure).shadow, 5);
  EXPECT_EQ(FitText(26, 0, 10000, 144, measure).shadow, 0);
  EXPECT_EQ(FitText(26, 30, 10000, 96, measure).shadow, 0);  // below one pixel: no shadow
}

TEST(BackgroundText, PositionsWithMarginsAndShadow) {
  const Size client{2000, 1200};  // margins 10 and 3
  const Size text{300, 80};
  struct Case {
    int position;
    std::optional<Point> at;
  } cases[] = {
      {0, std::nullopt},  {7, std::nullopt},   {-1, std::nullopt}, {1, Point{10, 3}},
      {2, Point{848, 3}}, {3, Point{1686, 3}}, {4, Point{10, 1113}}, {5, Point{848, 1113}},
      {6, Point{1686, 1113}},
  };
  for (const auto& c : cases) EXPECT_EQ(PlaceText(c.position, client, text, 4), c.at) << c.position;
  // Without a shadow the right and bottom edges sit at the margins.
  const Point p = *PlaceText(6, client, text, 0);
  EXPECT_EQ(p.x + text.cx, 2000 - 10);
  EXPECT_EQ(p.y + text.cy, 1200 - 3);
}

TEST(BackgroundLook, FromTheSettings) {
  Settings s;
  s.TopColor = 0x112233;
  s.BottomColor = 0x445566;
  s.TitleSize = 1.5;
  s.TitlePosition = 2;
  s.TitleShadow = 40;
  s.TitleColor = 0xABCDEF;
  s.TitleFont = u"Arial";
  s.CopyrightText = u"(c) Somebody";
  s.CopyrightPos = 6;
  s.CopyrightSize = 0.5;
  s.BitmapSize = 60;
  s.StretchMode = 2;
  s.BackgroundBitmap = Bytes{'B', 'M'};

  BackgroundLook look = MakeBackgroundLook(s, u"Product Setup");
  EXPECT_FALSE(look.mono);
  EXPECT_EQ(look.title.text, u"Product Setup");  // the language's text for an empty title
  EXPECT_EQ(look.title.points, 39);
  EXPECT_EQ(look.title.shadow, 40);
  EXPECT_TRUE(look.title.Drawn());
  EXPECT_EQ(look.copyright.points, 8);
  EXPECT_EQ(look.copyright.shadow, 0);  // the copyright line never has a shadow
  EXPECT_TRUE(look.copyright.Drawn());
  EXPECT_FALSE(look.picture);  // bit 15 clear

  s.ProductFlags = kFlagBackgroundPicture;
  s.DisplayTitle = u"Own title";
  look = MakeBackgroundLook(s, u"Product Setup");
  EXPECT_TRUE(look.picture);
  EXPECT_EQ(look.title.text, u"Own title");

  s.TitlePosition = 0;
  s.BitmapSize = 0;
  s.BottomColor = s.TopColor;
  look = MakeBackgroundLook(s, u"Product Setup");
  EXPECT_FALSE(look.title.Drawn());  // position 0 draws nothing even with a title
  EXPECT_FALSE(look.picture);        // size 0: no picture
  EXPECT_TRUE(look.mono);
  s.TitlePosition = 9;
  EXPECT_FALSE(MakeBackgroundLook(s, u"x").title.Drawn());
  s.TitlePosition = 1;
  s.DisplayTitle.clear();
  EXPECT_FALSE(MakeBackgroundLook(s, u"").title.Drawn());  // no text at all
}

TEST(BackgroundLook, StartingSizesFromUntrustedFactors) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    int base;
    double factor;
    int points;
  } cases[] = {{26, 1.0, 26}, {26, 1.5, 39}, {16, 1.26, 20}, {26, 0.0, 26}, {26, -2.0, 26},
               {26, nan, 26}, {26, inf, 26}, {26, 1e300, 1000}, {26, 0.01, 1}};
  for (const auto& c : cases) EXPECT_EQ(StartPointSize(c.base, c.factor), c.points) << c.factor;
}

}  // namespace
}  // namespace mv
