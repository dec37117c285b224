// The look of the uninstall run: the background window's and the dialogs' settings as the product
// key holds them, with the defaults of missing values.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "package/settings.h"

namespace mv {

// The product key as the look reads it: a value's text, and a number written as a DWORD or as
// decimal text; nothing when the value is missing.
struct ProductKeyReader {
  std::function<std::optional<std::u16string>(std::u16string_view name)> text;
  std::function<std::optional<std::uint32_t>(std::u16string_view name)> number;
};

// The system colours that stand in for a missing "TitleColor" and "TopColor".
struct LookSystemColours {
  std::uint32_t window_text = 0;
  std::uint32_t window = 0xFFFFFF;
};

// Fills the look fields of `s` from the key. `s.ProductFlags` must hold the product's flags: bit 4
// decides whether the dialog colours are read and is cleared when they give no brush (the
// background and the text colour both parse); bit 15 decides whether the picture's placement is
// read. `product_flags2` bit 25 decides whether the button colours are read.
void ReadUninstallLook(const ProductKeyReader& key, const LookSystemColours& system, std::uint32_t product_flags2,
                       Settings& s);

}  // namespace mv
