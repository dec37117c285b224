#include "ui/picture.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/bytes.h"

namespace mv {
namespace {

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = v >> 8;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// A bitmap file: 40-byte header, then `extra` (masks or palette), then the rows as given (each
// already padded to four bytes), bottom row first unless the height is negative.
Bytes BitmapFile(int width, int height, int bpp, const std::vector<std::uint32_t>& extra,
                 const std::vector<Bytes>& rows, std::uint32_t compression = 0, std::uint32_t colours_used = 0) {
  Bytes b(54);
  b[0] = 'B';
  b[1] = 'M';
  const std::size_t bits = 54 + 4 * extra.size();
  Put32(b, 10, static_cast<std::uint32_t>(bits));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<std::uint16_t>(bpp));
  Put32(b, 30, compression);
  Put32(b, 46, colours_used);
  for (std::uint32_t e : extra) {
    b.resize(b.size() + 4);
    Put32(b, b.size() - 4, e);
  }
  for (const Bytes& row : rows) b.insert(b.end(), row.begin(), row.end());
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  return b;
}

TEST(Picture, TrueColourRowsBottomUpWithPadding) {
  // 3 x 2, 24 bits: rows of 9 bytes padded to 12. The file's first row is the picture's bottom.
  const Bytes bottom{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0, 0, 0};
  const Bytes top{0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0, 0, 0};
  auto p = DecodeBitmapFile(BitmapFile(3, 2, 24, {}, {bottom, top}), -1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->width, 3);
  EXPECT_EQ(p->height, 2);
  EXPECT_EQ(p->kind, PictureKind::kOpaque);
  EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0xFF302010, 0xFF605040, 0xFF908070, 0xFF030201, 0xFF060504,
                                                   0xFF090807}));
  // Top-down (negative height): the first row is the top.
  p = DecodeBitmapFile(BitmapFile(3, -2, 24, {}, {bottom, top}), -1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->pixels[0], 0xFF030201u);
}

TEST(Picture, PaletteDepthsAndTheTransparentIndex) {
  const std::vector<std::uint32_t> palette{0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  // 8 bits: indices 0 1 2 3 in one row.
  const Bytes file8 = BitmapFile(4, 1, 8, palette, {{0, 1, 2, 3}}, 0, 4);
  auto p = DecodeBitmapFile(file8, -1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, PictureKind::kOpaque);
  EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));

  p = DecodeBitmapFile(file8, 2);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, PictureKind::kKeyed);
  EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0xFF000000, 0xFFFF0000, 0, 0xFF0000FF}));
  EXPECT_EQ(TransparencyMask(*p), (std::vector<std::uint32_t>{0, 0, 0xFFFFFF, 0}));

  // An index no pixel uses leaves the picture opaque.
  EXPECT_EQ(DecodeBitmapFile(file8, 200)->kind, PictureKind::kOpaque);

  // 4 bits: high nibble first; 1 bit: high bit first.
  p = DecodeBitmapFile(BitmapFile(3, 1, 4, palette, {{0x31, 0x20, 0, 0}}, 0, 4), -1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0xFF0000FF, 0xFFFF0000, 0xFF00FF00}));
  p = DecodeBitmapFile(BitmapFile(10, 1, 1, {0x000000, 0xFFFFFF}, {{0xA0, 0x40, 0, 0}}), 0);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, PictureKind::kKeyed);
  EXPECT_EQ(p->pixels[0], 0xFFFFFFFFu);
  EXPECT_EQ(p->pixels[1], 0u);
  EXPECT_EQ(p->pixels[2], 0xFFFFFFFFu);
  EXPECT_EQ(p->pixels[9], 0xFFFFFFFFu);

  // An index beyond a short palette is black, not a read past it.
  p = DecodeBitmapFile(BitmapFile(2, 1, 8, {0x123456, 0x654321}, {{1, 7, 0, 0}}, 0, 2), -1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0xFF654321, 0xFF000000}));
}

TEST(Picture, AlphaOf32BitPictures) {
  // Alpha bytes all 0: unused, the picture is opaque.
  auto p = DecodeBitmapFile(BitmapFile(2, 1, 32, {}, {{1, 2, 3, 0, 4, 5, 6, 0}}), -1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, PictureKind::kOpaque);
  EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0xFF030201, 0xFF060504}));

  // Real alpha: blended; premultiplied for the system's blending.
  p = DecodeBitmapFile(BitmapFile(2, 1, 32, {}, {{200, 100, 50, 128, 10, 20, 30, 255}}), -1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, PictureKind::kAlpha);
  EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0x803264C8, 0xFF1E140A}));
  EXPECT_EQ(PremultipliedPixels(*p), (std::vector<std::uint32_t>{0x80193264, 0xFF1E140A}));

  // Every alpha 255: opaque.
  p = DecodeBitmapFile(BitmapFile(1, 1, 32, {}, {{1, 2, 3, 255}}), -1);
  EXPECT_EQ(p->kind, PictureKind::kOpaque);
}

TEST(Picture, SixteenBitAndBitFields) {
  // 5-5-5 by default: 0x7FFF is white, 0x001F blue.
  auto p = DecodeBitmapFile(BitmapFile(2, 1, 16, {}, {{0xFF, 0x7F, 0x1F, 0x00}}), -1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFF0000FF}));
  // 5-6-5 through bit fields after the header: 0x07E0 is green.
  p = DecodeBitmapFile(BitmapFile(2, 1, 16, {0xF800, 0x07E0, 0x001F}, {{0xE0, 0x07, 0x00, 0xF8}}, 3), -1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0xFF00FF00, 0xFFFF0000}));
  // 32-bit bit fields in another order: red in the low byte.
  p = DecodeBitmapFile(BitmapFile(1, 1, 32, {0xFF, 0xFF00, 0xFF0000}, {{0x11, 0x22, 0x33, 0x44}}, 3), -1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->pixels[0], 0xFF112233u);
}

TEST(Picture, RefusesDamagedOrOversizedFiles) {
  const Bytes good = BitmapFile(2, 2, 24, {}, {Bytes(8), Bytes(8)});
  ASSERT_TRUE(DecodeBitmapFile(good, -1));
  auto with = [&](std::size_t at, std::uint32_t value, int width = 4) {
    Bytes b = good;
    if (width == 2) Put16(b, at, static_cast<std::uint16_t>(value));
    else Put32(b, at, value);
    return b;
  };
  Bytes truncated = good;
  truncated.pop_back();
  Bytes not_bm = good;
  not_bm[1] = 'A';
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"empty", {}},
      {"only the file header", Bytes(good.begin(), good.begin() + 14)},
      {"one pixel byte short", truncated},
      {"not a bitmap", not_bm},
      {"core header", with(14, 12)},
      {"unknown header size", with(14, 64)},
      {"width 0", with(18, 0)},
      {"negative width", with(18, 0xFFFFFFFE)},
      {"height 0", with(22, 0)},
      {"smallest height", with(22, 0x80000000)},
      {"width beyond the limit", with(18, 40000)},
      {"too many pixels", BitmapFile(5000, 5000, 1, {0, 0}, {})},
      {"two planes", with(26, 2, 2)},
      {"2 bits per pixel", with(28, 2, 2)},
      {"run-length compressed", with(30, 1)},
      {"bit fields on 24 bits", with(30, 3)},
      {"pixel data past the end", with(10, 60)},
      {"pixel data inside the header", with(10, 20)},
      {"pixel offset beyond the file", with(10, 0xFFFFFFF0)},
      {"palette larger than the depth allows", BitmapFile(1, 1, 8, {}, {Bytes(4)}, 0, 257)},
      {"palette past the end", BitmapFile(1, 1, 8, {0, 0}, {}, 0, 200)},
      {"bit fields past the end", BitmapFile(1, 1, 32, {}, {}, 3)},
  };
  for (const auto& c : cases) EXPECT_FALSE(DecodeBitmapFile(c.file, -1)) << c.what;
}

TEST(Picture, RepeatedForTiling) {
  Picture p;
  p.width = 3;
  p.height = 2;
  p.pixels = {1, 2, 3, 4, 5, 6};
  p.kind = PictureKind::kKeyed;
  const Picture r = RepeatPicture(p, 7, 5);
  EXPECT_EQ(r.width, 9);
  EXPECT_EQ(r.height, 6);
  EXPECT_EQ(r.kind, PictureKind::kKeyed);
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x)
      EXPECT_EQ(r.pixels[y * r.width + x], p.pixels[(y % 2) * 3 + x % 3]) << x << "," << y;
  const Picture same = RepeatPicture(p, 3, 1);
  EXPECT_EQ(same.width, 3);
  EXPECT_EQ(same.pixels, p.pixels);
}

}  // namespace
}  // namespace mv
