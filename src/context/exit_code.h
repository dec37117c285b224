// The process exit codes of every mode (the table in docs/command-line.md).
#pragma once

namespace mv {

enum ExitCode : int {
  kExitSuccess = 0,
  kExitCorrupt = 2,
  kExitWrongWindows = 5,
  kExitPrerequisite = 7,
  kExitFolderSource = 7,  // the registry value naming the folder is empty or names a missing folder
  kExitAlreadyRunning = 8,
  kExitForcedUninstall = 9,
  kExitUninstallerStarted = 10,
  kExitDowngradeRefused = 11,
  kExitCancelled = 12,
  kExitCommandLine = 15,
  kExitRestartPending = 16,
  kExitDiskFull = 17,
  kExitBlocked = 18,
  kExitNotApproved = 19,
  kExitFatal = -1,
};

}  // namespace mv
