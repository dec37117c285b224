// Running the package's batches through the command interpreter, with the installer's variables set.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mv {

// The command interpreter: "%comspec%" from the environment; when that is unset or empty, the system
// folder's "cmd.exe".
std::u16string FindCommandInterpreter();

// Writes `text` (Windows-1252) as a batch file after the "SET" lines of the variables, runs it, waits
// for it while the windows stay responsive, and deletes it. With a `log_name` the run is announced in
// the installation log and the batch's output is copied into it. True when the text was blank or the
// batch was started and awaited; false when the interpreter is missing, the file could not be written
// or the process not started (each reported). The batch's own exit code is not examined.
//
// The file is "SETUPBAT.BAT" in the installation folder when that exists (a folder only
// administrators can write). Otherwise it goes to the temporary folder, which other programs of the
// user can write: there it is created exclusively under an unforeseeable "VQTxxxx.bat" name and kept
// open, read-only to everyone else, until it has run.
bool RunBatch(std::string_view text, bool hidden, const std::optional<std::u16string>& log_name);

// The batch moments of an installation: the package's batch with the command line's extra commands.
void RunPreInstallBatch();
void RunUpgradeBatch();
void RunReinstallBatch();
void RunPostInstallBatch();
void RunExitBatch();

}  // namespace mv
