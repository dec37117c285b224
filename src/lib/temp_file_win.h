// Temporary files with "VQT" names, created exclusively: a name that already exists is never
// opened, so nothing planted in a temporary folder can be reused by the installer.
#pragma once

#include <string>
#include <string_view>

#include "lib/temp_name.h"

namespace mv {

// Creates a new empty file and returns its full path; empty when none could be made.
//
// An empty `folder` is the user's temporary folder; a folder that does not exist is created with
// its parents. With an extension (a leading "." is ignored) up to 400 names "VQTxxxx.<extension>"
// are tried, from attempt 200 in the user's temporary folder and from attempt 300 in "c:\temp"
// (when it exists or can be created). Without one, the system makes a unique "VQTxxxx.TMP" in the
// folder; when it cannot, the same 400 attempts are made with the extension "tmp", and 20
// access-denied failures in a row end them.
std::u16string MakeTempName(std::u16string_view folder, std::u16string_view extension);

// The user's temporary folder with its trailing backslash; empty when the system gives none.
std::u16string UserTempFolder();

// The process-wide generator of the names' digits. The main thread alone makes temporary names.
TempNameGenerator& ProcessTempNameGenerator();

}  // namespace mv
