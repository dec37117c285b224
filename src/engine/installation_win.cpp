#include "engine/installation_win.h"

#include <windows.h>

#include <string>

#include "context/exit_code.h"
#include "context/install_context_win.h"
#include "context/progress.h"
#include "engine/extraction_rules.h"
#include "engine/extraction_win.h"
#include "engine/registry_entries_win.h"
#include "engine/registry_script.h"
#include "lib/folder_win.h"
#include "lib/special_folders_win.h"
#include "lib/wide_win.h"
#include "package/settings.h"
#include "records/install_log.h"
#include "records/install_log_win.h"
#include "records/uninstall_data_win.h"
#include "vars/batch_win.h"

namespace mv {

namespace {

// The folder of the shared files: the product's shared name under the base its setting chooses.
std::u16string SharedFolder(const Settings& s) {
  std::u16string base;
  switch (s.UninstallDataChoice) {
    case 1: base = GetSpecialFolder(SpecialFolder::kCommonAppData); break;
    case 2: base = CommonFilesFolder(false); break;
    case 3: base = CommonFilesFolder(true); break;
    default: base = CommonFilesFolder(s.Bitness == 1); break;
  }
  return s.SharedPath.empty() ? base : ResolveAgainst(base, s.SharedPath);
}

void CreateFolderLogged(const std::u16string& folder, const char16_t* what) {
  if (folder.empty() || CreateFolderChain(folder)) return;
  LogText(u"Failed to create " + std::u16string(what) + u" \"" + folder + u"\": " + SystemErrorText(GetLastError()) +
          u"\r\n");
}

}  // namespace

int RunMinimalInstallation(HANDLE installer_file) {
  InstallContext& c = Context();
  if (!c.options.InstallDirOverride.empty()) c.install_dir = c.options.InstallDirOverride;
  const std::u16string install_dir = InstallDir(c);

  // The installation actions begin: from here on they log, and a damaged package is explained in
  // Install.log.
  OpenWorkingLog();
  CreateFolderLogged(install_dir, u"installation folder");
  if (!c.settings.UninstallSubdir.empty()) CreateFolderLogged(UninstallDataFolder(), u"uninstall data folder");
  // The shared files' folder. It is made only for a product with uninstall support; without it the
  // folder is still known, so that shared files never land in the root of the current drive.
  c.shared_dir = RemovableTarget(c) && !c.settings.FileOptionText.empty()
                     ? install_dir + u"\\" + c.settings.FileOptionText
                     : SharedFolder(c.settings);
  if (c.settings.ProductFlags & kFlagUninstaller) CreateFolderLogged(c.shared_dir, u"shared folder");

  RunPreInstallBatch();
  OpenProgress();
  ExtractFiles(installer_file);
  InstallRegistryEntries();
  if (c.settings.ProductFlags & kFlagAddToPath) AddToPath(true, c.settings.AddToPathSubfolder);
  if ((c.settings.ProductFlags & kFlagUninstaller) && !WriteUninstallData()) {
    const DWORD error = GetLastError();
    AddFailure(LanguageText(31) + u" " + UninstallDataPath() + u"\r\n");
    AddFailure(u"Code %d: %s\r\n\r\n", {static_cast<int>(error), SystemErrorText(error)});
  }
  RunPostInstallBatch();
  CloseProgress();
  WriteInstallLog(FailureSummary(), true);
  RunExitBatch();

  if (c.disk_full) return kExitDiskFull;
  if (c.settings.ProductFlags & kFlagRestartPending) return kExitRestartPending;
  return kExitSuccess;
}

}  // namespace mv
