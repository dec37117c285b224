// The installer-file check and the preparation of the uninstaller image.
#pragma once

#include <windows.h>

namespace mv {

// Reads the part of the installer file before the package section, checks it as the package's
// IntegrityCheck setting asks (0 none, 1 the file CRC, 2 the Authenticode signature), and keeps the
// uninstaller image (the file without the section) when the package asks for one.
void CheckInstallerFile(HANDLE file);

}  // namespace mv
