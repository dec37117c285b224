// The install-mode road from opening the installer's own file to the end of the start-up checks.
#pragma once

namespace mv {

// Opens the installer file, reads and checks its package, and runs the start-up checks. Never
// returns: every path ends through ExitInstaller.
[[noreturn]] void RunInstallMode();

}  // namespace mv
