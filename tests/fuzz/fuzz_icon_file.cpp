// The uninstaller icon of the package: an icon file taken apart into resources before the
// uninstaller's icons are replaced.
#include <cstdint>
#include <span>

#include "engine/icon_resources.h"
#include "fuzz_support.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> ico(data, size);
  const std::optional<IconResources> r = IconResourcesFromFile(ico);
  if (!r) return 0;
  MV_FUZZ_CHECK(!r->images.empty() && r->images.size() <= 255);
  MV_FUZZ_CHECK(r->group.size() == 6 + 14 * r->images.size());
  std::size_t total = 0;
  for (const Bytes& image : r->images) {
    MV_FUZZ_CHECK(!image.empty() && image.size() <= size);
    total += image.size();
  }
  (void)total;
  return 0;
}
