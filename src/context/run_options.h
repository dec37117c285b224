// The run options the command line chose: read by every layer that behaves differently in automatic,
// silent or uninstall mode.
#pragma once

#include <string>

namespace mv {

// Run options chosen on the command line; all false or empty when no switch is given.
struct RunOptions {
  bool AutomaticMode = false;        // /a, /silent
  bool SilentMode = false;           // /silent
  bool MinimizedBackground = false;  // /MIN
  bool NoRestart = false;            // /norestart: never restart Windows at the end
  bool UninstallMode = false;        // /u
  std::u16string UninstallProductName;
  std::u16string InstallDirOverride;       // /d: without enclosing quotes or trailing backslash
  std::string InstallDirOverrideNarrow;    // the same in NarrowPath form
  std::u16string ProductNameOverride;      // /n:
  std::u16string RunAfterInstall;          // /r:
  std::string ExtraPreBatch;               // /b1: (ANSI code page)
  std::string ExtraPostBatch;              // /b2:
  std::string ExtraExitBatch;              // /b3:

  bool operator==(const RunOptions&) const = default;
};

}  // namespace mv
