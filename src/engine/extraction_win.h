// The file extraction: the file data decoded into a temporary extraction file, then every file
// record written to its destination under the overwrite rules, then the clean-up.
#pragma once

#include <windows.h>

#include <string>

#include "engine/install_lists.h"

namespace mv {

// The run's lists, filled by ExtractFiles and read by the later steps.
InstallLists& RunInstallLists();

// Decodes the file data of the installer `file` and installs every file. A damaged package throws
// CorruptPackage; a failure of the extraction file itself ends the run through the fatal path.
void ExtractFiles(HANDLE file);

// The version of a file from its version resource ("FileVersion" of the first listed translation,
// else of US English with Windows-1252), commas turned into full stops; "" when it has none.
std::u16string FileVersionOf(const std::u16string& path);

}  // namespace mv
