#include "ui/picture.h"

#include <bit>
#include <cstdlib>

#include "base/bytes.h"

namespace mv {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;

// One channel of a bit-field pixel scaled to 0..255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (mask) {
      shift = std::countr_zero(mask);
      max = mask >> shift;
    }
  }
  std::uint32_t Of(std::uint32_t pixel) const {
    if (!max) return 0;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>((pixel & mask) >> shift) * 255 + max / 2) / max);
  }
};

}  // namespace

std::optional<Picture> DecodeBitmapFile(std::span<const std::uint8_t> file, int transparent_index) {
  if (file.size() < kFileHeaderSize + 40 || file[0] != 'B' || file[1] != 'M') return std::nullopt;
  const std::uint32_t bits_offset = LoadLe32(&file[10]);
  const std::uint8_t* info = &file[kFileHeaderSize];
  const std::uint32_t info_size = LoadLe32(info);
  if (info_size != 40 && info_size != 52 && info_size != 56 && info_size != 108 && info_size != 124)
    return std::nullopt;
  if (kFileHeaderSize + std::uint64_t{info_size} > file.size()) return std::nullopt;
  const auto width = static_cast<std::int32_t>(LoadLe32(info + 4));
  const auto stored_height = static_cast<std::int32_t>(LoadLe32(info + 8));
  const std::uint16_t planes = LoadLe16(info + 12);
  const std::uint16_t bpp = LoadLe16(info + 14);
  const std::uint32_t compression = LoadLe32(info + 16);
  const std::uint32_t colours_used = LoadLe32(info + 32);

  if (width <= 0 || width > kMaxPictureSide || stored_height == 0 || stored_height < -kMaxPictureSide ||
      stored_height > kMaxPictureSide || planes != 1)
    return std::nullopt;
  const bool bottom_up = stored_height > 0;
  const int height = bottom_up ? stored_height : -stored_height;
  if (std::int64_t{width} * height > kMaxPicturePixels) return std::nullopt;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return std::nullopt;
  if (compression != kRgb && !(compression == kBitFields && (bpp == 16 || bpp == 32))) return std::nullopt;

  // Bit-field masks: inside a longer header, or right after the 40-byte one.
  std::size_t table = kFileHeaderSize + info_size;
  std::uint32_t masks[4] = {0x7C00, 0x03E0, 0x001F, 0};  // 16-bit default: 5-5-5
  if (bpp == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0xFF000000;
  if (compression == kBitFields) {
    std::size_t at = kFileHeaderSize + 40;
    if (info_size == 40) {
      if (table + 12 > file.size()) return std::nullopt;
      table += 12;
    }
    for (int i = 0; i < 3; ++i) masks[i] = LoadLe32(&file[at + 4 * i]);
    masks[3] = info_size >= 56 ? LoadLe32(&file[at + 12]) : 0;
  }

  // The palette of 1-, 4- and 8-bit pictures.
  std::vector<std::uint32_t> palette;
  if (bpp <= 8) {
    const std::uint32_t limit = 1u << bpp;
    const std::uint32_t count = colours_used ? colours_used : limit;
    if (count > limit || table + std::uint64_t{count} * 4 > file.size()) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) palette.push_back(LoadLe32(&file[table + 4 * i]) & 0xFFFFFF);
  }

  const std::uint64_t stride = (std::uint64_t{static_cast<std::uint32_t>(width)} * bpp + 31) / 32 * 4;
  if (bits_offset < kFileHeaderSize + 40 || bits_offset > file.size() ||
      stride * static_cast<std::uint64_t>(height) > file.size() - bits_offset)
    return std::nullopt;

  Picture p;
  p.width = width;
  p.height = height;
  p.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  const bool keyed = transparent_index >= 0 && bpp <= 8;
  bool any_alpha = false, any_transparent = false;

  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = &file[bits_offset + stride * static_cast<std::uint64_t>(bottom_up ? height - 1 - y : y)];
    std::uint32_t* out = &p.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
    for (int x = 0; x < width; ++x) {
      std::uint32_t pixel = 0;
      if (bpp <= 8) {
        const std::uint32_t bit = static_cast<std::uint32_t>(x) * bpp;
        const std::uint32_t index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        if (keyed && index == static_cast<std::uint32_t>(transparent_index)) {
          any_transparent = true;
          out[x] = 0;
          continue;
        }
        pixel = 0xFF000000 | (index < palette.size() ? palette[index] : 0);  // beyond the palette: black
      } else if (bpp == 24) {
        const std::uint8_t* b = row + 3 * x;
        pixel = 0xFF000000 | b[0] | (b[1] << 8) | (b[2] << 16);
      } else {
        const std::uint32_t raw = bpp == 16 ? LoadLe16(row + 2 * x) : LoadLe32(row + 4 * x);
        const std::uint32_t a = masks[3] ? alpha.Of(raw) : 255;
        if (masks[3] && a != 0) any_alpha = true;
        pixel = (a << 24) | (red.Of(raw) << 16) | (green.Of(raw) << 8) | blue.Of(raw);
      }
      out[x] = pixel;
    }
  }

  if (bpp == 32 && masks[3]) {
    if (!any_alpha) {
      // Alpha bytes that are all 0 are unused bytes, not a fully transparent picture.
      for (auto& px : p.pixels) px |= 0xFF000000;
    } else {
      for (auto px : p.pixels)
        if ((px >> 24) != 0xFF) {
          p.kind = PictureKind::kAlpha;
          break;
        }
    }
  } else if (any_transparent) {
    p.kind = PictureKind::kKeyed;
  }
  return p;
}

Picture RepeatPicture(const Picture& picture, int min_width, int min_height) {
  if (picture.width <= 0 || picture.height <= 0) return picture;
  const int across = picture.width >= min_width ? 1 : (min_width + picture.width - 1) / picture.width;
  const int down = picture.height >= min_height ? 1 : (min_height + picture.height - 1) / picture.height;
  if (across == 1 && down == 1) return picture;
  Picture r;
  r.kind = picture.kind;
  r.width = picture.width * across;
  r.height = picture.height * down;
  r.pixels.resize(static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height));
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x)
      r.pixels[static_cast<std::size_t>(y) * r.width + x] =
          picture.pixels[static_cast<std::size_t>(y % picture.height) * picture.width + x % picture.width];
  return r;
}

std::vector<std::uint32_t> PremultipliedPixels(const Picture& picture) {
  std::vector<std::uint32_t> out(picture.pixels.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::uint32_t px = picture.pixels[i];
    const std::uint32_t a = px >> 24;
    auto scale = [&](int shift) { return (((px >> shift) & 0xFF) * a + 127) / 255 << shift; };
    out[i] = (a << 24) | scale(16) | scale(8) | scale(0);
  }
  return out;
}

std::vector<std::uint32_t> TransparencyMask(const Picture& picture) {
  std::vector<std::uint32_t> out(picture.pixels.size());
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = (picture.pixels[i] >> 24) == 0 ? 0x00FFFFFF : 0;
  return out;
}

}  // namespace mv
