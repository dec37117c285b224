// The background picture: a bitmap file from the package ("Installer Background.bmp"), decoded into
// plain 32-bit pixels before anything draws it. The file is untrusted: every size and offset is
// checked against the bytes that exist before a pixel is read, and oversized pictures are refused.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mv {

enum class PictureKind {
  kOpaque,  // every pixel drawn as it is
  kAlpha,   // a 32-bit picture with real alpha values: blended
  kKeyed,   // a palette picture with a transparent index: those pixels are left out
};

struct Picture {
  int width = 0, height = 0;
  // Top row first, each pixel 0xAARRGGBB (blue in the low byte, straight alpha). Transparent
  // pixels of a keyed picture are 0.
  std::vector<std::uint32_t> pixels;
  PictureKind kind = PictureKind::kOpaque;
};

inline constexpr int kMaxPictureSide = 32768;
inline constexpr std::int64_t kMaxPicturePixels = 16 * 1024 * 1024;

// Decodes an uncompressed (or bit-field) bitmap file of 1, 4, 8, 16, 24 or 32 bits per pixel.
// `transparent_index` is the palette index drawn transparent (-1: none; ignored without a palette).
// A 32-bit picture whose alpha bytes are all 0 carries no alpha and counts as opaque. Nothing for
// anything else: a damaged, truncated, compressed or oversized file.
std::optional<Picture> DecodeBitmapFile(std::span<const std::uint8_t> file, int transparent_index);

// The picture repeated side by side and row under row until it is at least `min_width` x
// `min_height` (whole copies), so that tiling a tiny picture takes few drawing calls.
Picture RepeatPicture(const Picture& picture, int min_width, int min_height);

// Alpha-premultiplied pixels, as the system's blending routine wants them.
std::vector<std::uint32_t> PremultipliedPixels(const Picture& picture);

// The mask of a keyed picture: white (0x00FFFFFF) where it is transparent, black elsewhere.
std::vector<std::uint32_t> TransparencyMask(const Picture& picture);

}  // namespace mv
