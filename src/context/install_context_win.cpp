#include "context/install_context_win.h"

namespace mv {

InstallContext& Context() {
  static InstallContext context;
  return context;
}

const std::u16string& InstallDir(const InstallContext& c) {
  return c.install_dir.empty() ? c.default_install_dir : c.install_dir;
}

std::u16string LanguageText(int n) {
  const InstallContext& c = Context();
  return LanguageText(c.lists, c.language, n);
}

}  // namespace mv
