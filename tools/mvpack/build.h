// mvpack build: a project and the runtime executable in, an installer out.
#pragma once

#include <span>

#include "package/package_builder.h"
#include "project.h"

namespace mvpack {

// The installer for `project` on top of `runtime_exe`. The settings stream carries the project's
// settings; the file data holds one record per project file, each followed by the file's bytes.
// Throws std::runtime_error for a file that cannot be read or a value the format cannot hold.
mv::BuiltInstaller BuildInstaller(const Project& project, std::span<const std::uint8_t> runtime_exe);

}  // namespace mvpack
