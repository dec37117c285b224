#include "engine/installation_win.h"

#include <windows.h>

#include <string>

#include "context/exit_code.h"
#include "context/install_context_win.h"
#include "context/progress.h"
#include "engine/extraction_win.h"
#include "engine/registry_entries_win.h"
#include "engine/registry_script.h"
#include "engine/shortcuts_win.h"
#include "lib/wide_win.h"
#include "package/settings.h"
#include "records/install_log.h"
#include "records/install_log_win.h"
#include "records/uninstall_data_win.h"
#include "vars/batch_win.h"

namespace mv {

int RunMinimalInstallation(HANDLE installer_file) {
  InstallContext& c = Context();
  OpenProgress();
  ExtractFiles(installer_file);
  CreateShortcuts();
  InstallRegistryEntries();
  if (c.settings.ProductFlags & kFlagAddToPath) AddToPath(true, c.settings.AddToPathSubfolder);
  if ((c.settings.ProductFlags & kFlagUninstaller) && !WriteUninstallData()) {
    const DWORD error = GetLastError();
    AddFailure(LanguageText(31) + u" " + UninstallDataPath() + u"\r\n");
    AddFailure(u"Code %d: %s\r\n\r\n", {static_cast<int>(error), SystemErrorText(error)});
  }
  RunPostInstallBatch();
  SetProgress(100);
  CloseProgress();
  WriteInstallLog(FailureSummary(), true);
  RunExitBatch();

  if (c.disk_full) return kExitDiskFull;
  if (c.settings.ProductFlags & kFlagRestartPending) return kExitRestartPending;
  return kExitSuccess;
}

}  // namespace mv
