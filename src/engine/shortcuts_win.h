// The product's shortcuts: every entry of the shortcut list (the package's, the installed files',
// the uninstaller's and the log's) as shell links on the desktop or in the desktop folder, in the
// Start menu, in Startup and in explicit folders; then the root shortcut of a removable drive and
// the taskbar pin. Each link is logged and recorded for the uninstaller; no failure stops the run.
#pragma once

#include <string>

#include "context/install_context_win.h"

namespace mv {

void CreateShortcuts();

// Where the uninstaller is placed: the path the preparation chose, else the uninstall-data folder
// joined with the uninstaller's file name.
std::u16string UninstallerPathOf(const InstallContext& c);

}  // namespace mv
