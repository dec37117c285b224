// The wizard's templates are resources in the extended dialog template format; before a page is
// created its font is replaced by the installation's dialog font and size. Plain bytes in and out.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/bytes.h"

namespace mv {

// The template with its font's point size set to `points` and, when `face` is not empty, its type
// face replaced by `face`; the controls are copied unchanged. Nothing when the bytes are not an
// extended template with a font (or end before its controls begin).
std::optional<Bytes> SetDialogFont(std::span<const std::uint8_t> dialog, std::u16string_view face, int points);

}  // namespace mv
