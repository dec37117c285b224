// The installation run from the first folder to the last record: until the preparation and
// completion steps take their places, one short sequence in order.
#pragma once

#include <windows.h>

namespace mv {

// After the preparation: extracts the files, writes the installation records, runs the batches
// after the extraction and returns the exit code: 17 after a full disk, 16 when a restart is
// pending, else 0.
int RunMinimalInstallation(HANDLE installer_file);

}  // namespace mv
