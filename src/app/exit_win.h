// The ways a run ends. Every one goes through ExitInstaller.
#pragma once

#include <cstddef>
#include <string>

#include "context/exit_code.h"
#include "lib/fatal.h"

namespace mv {

// The orderly exit: closes the windows, the extraction file and the notification worker, uninitialises
// OLE and ends the process with `code`.
[[noreturn]] void ExitInstaller(int code);

// Cancellation with the cancellation message (not in automatic mode), then ExitInstaller(code).
[[noreturn]] void CancelInstaller(int code);

// Cancellation without a message.
[[noreturn]] void AbortInstaller(int code);

// Shows the usage text after `message` (not in silent mode) and exits with 15.
[[noreturn]] void ShowUsage(const std::u16string& message);

// Installs the fatal-error path of the runtime (see FatalError): the message in an error box (not in
// silent mode), then exit -1. A fatal error raised while one is being reported only ends the process.
void InstallFatalPath();

// An internal consistency failure: "Internal Fatal Error\r\nModule: %s\r\nLine: %d".
[[noreturn]] void InternalFatalError(const char* module, int line);

// The corrupt-installer report with its numeric code, then exit 2. With `system_error` the last
// system error's number and text are appended when it is not 0.
[[noreturn]] void CorruptInstaller(int code, bool system_error = false);

// The fatal "Out Of Memory" report for an allocation of `size` bytes that failed after its retries.
[[noreturn]] void ReportOutOfMemory(std::size_t size);

}  // namespace mv
