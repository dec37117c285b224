// Temporary files with "VQT" names, created exclusively: a name that already exists is never
// opened, so nothing planted in a temporary folder can be reused by the installer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "lib/handle_win.h"
#include "lib/temp_name.h"

namespace mv {

// How a temporary file is created: the caller's access, sharing, attributes and inheritance. The
// handle it is created through is the one the caller uses, so the file is never opened again by name
// (another process could have put its own file under that name in between).
struct TempFileAccess {
  DWORD access = GENERIC_WRITE;
  DWORD share = 0;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  bool inheritable = false;
};

struct CreatedTempFile {
  std::u16string path;  // empty when no file could be made
  UniqueHandle handle;
};

// Creates a new empty file exclusively and returns its full path with the handle.
//
// An empty `folder` is the user's temporary folder; a folder that does not exist is created with
// its parents. Up to 400 names "VQTxxxx.<extension>" are tried (a leading "." of the extension is
// ignored), from attempt 200 in the user's temporary folder and from attempt 300 in "c:\temp"
// (when it exists or can be created). Without an extension the names take the system's form
// "VQTxxxx.TMP", and 20 access-denied failures in a row end the attempts. The digits come from the
// process-wide generator (SeedTempNames), so names cannot be foretold from outside.
CreatedTempFile CreateTempFile(std::u16string_view folder, std::u16string_view extension,
                               const TempFileAccess& how = {});

// CreateTempFile with the handle closed: for callers that only need a name reserved.
std::u16string MakeTempName(std::u16string_view folder, std::u16string_view extension);

// Seeds the process-wide generator; the runtime passes its random session number at start-up.
void SeedTempNames(std::uint64_t seed);

// The user's temporary folder with its trailing backslash; empty when the system gives none.
std::u16string UserTempFolder();

// The process-wide generator of the names' digits. The main thread alone makes temporary names.
TempNameGenerator& ProcessTempNameGenerator();

}  // namespace mv
