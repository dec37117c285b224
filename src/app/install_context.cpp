#include "app/install_context.h"

namespace mv {

InstallContext& Context() {
  static InstallContext context;
  return context;
}

std::u16string LanguageText(int n) {
  const auto& texts = Context().texts;
  if (n < 0 || static_cast<std::size_t>(n) >= texts.size()) return {};
  return texts[static_cast<std::size_t>(n)];
}

}  // namespace mv
