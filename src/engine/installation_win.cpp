#include "engine/installation_win.h"

#include <windows.h>

#include <string>

#include "context/install_context_win.h"
#include "context/progress.h"
#include "engine/completion_win.h"
#include "engine/extraction_win.h"
#include "engine/registry_entries_win.h"
#include "engine/shortcuts_win.h"

namespace mv {

int RunMinimalInstallation(HANDLE installer_file) {
  OpenProgress();
  ExtractFiles(installer_file);
  CreateShortcuts();
  InstallRegistryEntries();
  return CompleteInstallation(installer_file);
}

}  // namespace mv
