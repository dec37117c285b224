// Loading system DLLs by name without ever looking beside the installer: an installer usually runs
// from a Downloads folder full of other people's files, none of which may be loaded into it.
#pragma once

#include <windows.h>

#include <string>

#include "lib/handle_win.h"

namespace mv {

// Restricts the process's DLL search to the system folder. Called first thing in wWinMain.
void HardenDllSearch();

// The Windows system folder ("C:\Windows\system32" or its WoW64 view), without a trailing backslash.
std::wstring SystemFolder();

// Loads `name` (e.g. L"wintrust.dll") from the system folder only; empty on failure.
UniqueModule LoadSystemLibrary(const wchar_t* name);

}  // namespace mv
