#include "engine/icon_resources.h"

#include <gtest/gtest.h>

#include "base/bytes.h"

namespace mv {
namespace {

struct Image {
  std::uint8_t width;
  std::uint32_t size;
  std::uint32_t offset;  // 0: right after the previous image
};

// An icon file with the given directory; the images' bytes count up from their index.
Bytes IconFile(std::initializer_list<Image> images, std::uint16_t type = 1) {
  Bytes b{0, 0};
  AppendLe16(b, type);
  AppendLe16(b, static_cast<std::uint16_t>(images.size()));
  std::uint32_t next = 6 + 16 * static_cast<std::uint32_t>(images.size());
  std::uint32_t end = next;
  for (const Image& i : images) {
    b.insert(b.end(), {i.width, i.width, 0, 0, 1, 0, 32, 0});
    AppendLe32(b, i.size);
    AppendLe32(b, i.offset ? i.offset : next);
    next += i.size;
    end = std::max(end, next);
  }
  for (std::uint32_t n = static_cast<std::uint32_t>(b.size()); n < end; ++n) b.push_back(static_cast<std::uint8_t>(n));
  return b;
}

TEST(IconResources, GroupNamesTheImagesByNumber) {
  const Bytes file = IconFile({{16, 10, 0}, {32, 20, 0}});
  const std::optional<IconResources> r = IconResourcesFromFile(file);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->images.size(), 2u);
  EXPECT_EQ(r->images[0], Bytes(file.begin() + 38, file.begin() + 48));
  EXPECT_EQ(r->images[1], Bytes(file.begin() + 48, file.begin() + 68));
  ASSERT_EQ(r->group.size(), 6u + 2 * 14);
  EXPECT_EQ(Bytes(r->group.begin(), r->group.begin() + 6), Bytes(file.begin(), file.begin() + 6));
  // Each group entry: the directory entry's first twelve bytes, then the image's number.
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t g = 6 + i * 14, f = 6 + i * 16;
    EXPECT_EQ(Bytes(r->group.begin() + g, r->group.begin() + g + 12), Bytes(file.begin() + f, file.begin() + f + 12));
    EXPECT_EQ(LoadLe16(&r->group[g + 12]), i + 1);
  }
}

TEST(IconResources, RefusesWhatIsNoIconFile) {
  Bytes truncated = IconFile({{16, 10, 0}});
  truncated.pop_back();
  Bytes two_entries_one_written = IconFile({{16, 10, 0}});
  two_entries_one_written[4] = 2;
  const Bytes cases[] = {
      {},
      {0, 0, 1, 0},
      IconFile({}),                      // no images
      IconFile({{16, 10, 0}}, 2),        // a cursor file
      IconFile({{16, 0, 0}}),            // an empty image
      IconFile({{16, 10, 0xFFFFFFF8}}),  // offset far past the end; offset + size wraps in 32 bits
      truncated,
      two_entries_one_written,
  };
  for (const Bytes& c : cases) EXPECT_FALSE(IconResourcesFromFile(c)) << c.size() << " bytes";
}

}  // namespace
}  // namespace mv
