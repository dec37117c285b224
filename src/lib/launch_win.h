// Starting a program and waiting for it while the installer's windows stay responsive: the command
// interpreter for batches, the registry editor for merge files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace mv {

struct LaunchResult {
  bool started = false;
  DWORD error = 0;       // the system error when the program could not be started
  DWORD exit_code = 0;   // the program's exit code once it ended
};

// Starts `command_line` in `folder` (the current folder when empty), with its window hidden when
// `hidden`, and waits for its end, pumping this thread's window messages every 75 milliseconds.
LaunchResult RunAndWait(const std::u16string& command_line, const std::u16string& folder, bool hidden);

// Starts `command_line` and returns at once; `exit_code` stays 0.
LaunchResult StartProgram(const std::u16string& command_line);

// Dispatches every window message waiting for this thread.
void PumpWindowMessages();
// The same, unless the last call of this function was less than `interval_ms` ago: a loop over
// thousands of small items stays responsive without asking for messages per item (each asking is a
// call into the system, about as costly as writing a small file under Wine). For the thread that
// owns the windows only: the time of the last call is kept for the process.
void PumpWindowMessagesEvery(std::uint32_t interval_ms);

}  // namespace mv
