#include "engine/icon_resources.h"

namespace mv {

namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kFileEntrySize = 16;   // width .. bit count, size, offset
constexpr std::size_t kGroupEntrySize = 14;  // width .. bit count, size, resource number
constexpr std::size_t kMaxImages = 255;

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(Le16(b, at)) | (static_cast<std::uint32_t>(Le16(b, at + 2)) << 16);
}

}  // namespace

std::optional<IconResources> IconResourcesFromFile(std::span<const std::uint8_t> ico) {
  if (ico.size() < kHeaderSize || Le16(ico, 0) != 0 || Le16(ico, 2) != 1) return std::nullopt;
  const std::size_t count = Le16(ico, 4);
  if (count == 0 || count > kMaxImages || ico.size() < kHeaderSize + count * kFileEntrySize) return std::nullopt;

  IconResources r;
  r.group.assign(ico.begin(), ico.begin() + kHeaderSize);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kHeaderSize + i * kFileEntrySize;
    const std::uint32_t size = Le32(ico, entry + 8);
    const std::uint32_t offset = Le32(ico, entry + 12);
    if (size == 0 || offset > ico.size() || size > ico.size() - offset) return std::nullopt;
    r.images.emplace_back(ico.begin() + offset, ico.begin() + offset + size);
    // The group entry keeps the first twelve bytes and names the image by its number.
    r.group.insert(r.group.end(), ico.begin() + static_cast<std::ptrdiff_t>(entry),
                   ico.begin() + static_cast<std::ptrdiff_t>(entry + 12));
    const auto number = static_cast<std::uint16_t>(i + 1);
    r.group.push_back(static_cast<std::uint8_t>(number));
    r.group.push_back(static_cast<std::uint8_t>(number >> 8));
  }
  static_assert(kGroupEntrySize == 12 + 2);
  return r;
}

}  // namespace mv
