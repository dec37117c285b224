#include "context/install_context_win.h"

#include "lib/drive_win.h"
#include "lib/folder_rules.h"

namespace mv {

InstallContext& Context() {
  static InstallContext context;
  return context;
}

const std::u16string& InstallDir(const InstallContext& c) {
  return c.install_dir.empty() ? c.default_install_dir : c.install_dir;
}

bool RemovableTarget(const InstallContext& c) { return IsRemovableLikeDrive(DriveTypeOf(InstallDir(c))); }

std::u16string LanguageText(int n) {
  const InstallContext& c = Context();
  return LanguageText(c.lists, c.language, n);
}

}  // namespace mv
