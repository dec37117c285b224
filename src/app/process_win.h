// Preparing the process before the command line is read.
#pragma once

#include <windows.h>

namespace mv {

// Hardening that must come before anything can load a DLL: the DLL search limited to the system
// folder and termination on heap corruption.
void HardenProcess();

// Product label, OLE, privileges, screen metrics, sockets, session number, icons, GDI+ and the
// optional common-controls functions.
void PrepareProcess(HINSTANCE instance);

}  // namespace mv
