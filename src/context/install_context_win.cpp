#include "context/install_context_win.h"

namespace mv {

InstallContext& Context() {
  static InstallContext context;
  return context;
}

std::u16string LanguageText(int n) {
  const InstallContext& c = Context();
  return LanguageText(c.lists, c.language, n);
}

}  // namespace mv
