// An icon file (.ico) taken apart into the resources a program carries for it: one image resource
// per icon image and the group resource that lists them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/bytes.h"

namespace mv {

struct IconResources {
  Bytes group;                // the group resource; its entries name the images 1, 2, ...
  std::vector<Bytes> images;  // image i has the resource number i + 1
};

// Nullopt for bytes that are no icon file: too short, a wrong header, no images, more than 255, or
// an image that lies outside the file or is empty.
std::optional<IconResources> IconResourcesFromFile(std::span<const std::uint8_t> ico);

}  // namespace mv
