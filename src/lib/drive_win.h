// The system's view of the drive a path lies on.
#pragma once

#include <string_view>

namespace mv {

// The drive type (GetDriveType) of a path's drive; DRIVE_UNKNOWN when it has no drive letter.
unsigned DriveTypeOf(std::u16string_view path);

}  // namespace mv
