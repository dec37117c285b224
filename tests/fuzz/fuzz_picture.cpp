// The background picture: a bitmap file from the package, decoded before anything draws it.
// Input: one byte for the transparent index (255: none), then the file.
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "ui/picture.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Front front(std::span<const std::uint8_t>(data, size));
  const std::uint8_t option = front.U8();
  const int transparent_index = option == 255 ? -1 : option;
  const std::optional<Picture> p = DecodeBitmapFile(front.Rest(), transparent_index);
  if (!p) return 0;
  MV_FUZZ_CHECK(p->width > 0 && p->width <= kMaxPictureSide);
  MV_FUZZ_CHECK(p->height > 0 && p->height <= kMaxPictureSide);
  MV_FUZZ_CHECK(p->pixels.size() == static_cast<std::size_t>(p->width) * static_cast<std::size_t>(p->height));
  MV_FUZZ_CHECK(static_cast<std::int64_t>(p->pixels.size()) <= kMaxPicturePixels);
  // Every row of pixels came from bytes of the file.
  MV_FUZZ_CHECK(p->pixels.size() <= front.Rest().size() * 8);
  if (p->kind == PictureKind::kKeyed) {
    MV_FUZZ_CHECK(transparent_index >= 0);
    const auto mask = TransparencyMask(*p);
    MV_FUZZ_CHECK(mask.size() == p->pixels.size());
  }
  if (p->kind == PictureKind::kAlpha) MV_FUZZ_CHECK(PremultipliedPixels(*p).size() == p->pixels.size());
  const Picture tiled = RepeatPicture(*p, 64, 64);
  MV_FUZZ_CHECK(tiled.width >= std::min(64, p->width * 64) && tiled.width % p->width == 0);
  return 0;
}
