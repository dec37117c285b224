// The facts about the running Windows, gathered from the system. What they mean (the "%OS%"
// number, the exclusion bit, the names) is decided in package/os_version.h.
#pragma once

#include "lib/os_version.h"

namespace mv {

// Asks the system afresh: version numbers from ntdll's RtlGetVersion (GetVersionExW where that is
// missing or fails), the edition from GetProductInfo (6.0 and later), the native architecture, the
// edition metrics, Wine's version when running under Wine, and the "ReleaseId" of the 64-bit
// registry view.
OsInfo GatherOsInfo();

// GatherOsInfo, asked once per process.
const OsInfo& GetOsInfo();

}  // namespace mv
