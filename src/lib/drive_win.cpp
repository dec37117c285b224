#include "lib/drive_win.h"

#include <windows.h>

#include "base/path.h"
#include "lib/wide_win.h"

namespace mv {

unsigned DriveTypeOf(std::u16string_view path) {
  const std::u16string drive = DriveOf(path);
  return drive.empty() ? DRIVE_UNKNOWN : GetDriveTypeW(W(drive + u"\\"));
}

}  // namespace mv
