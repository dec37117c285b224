// mvpack build: a project and the runtime executable in, an installer out.
#pragma once

#include <filesystem>
#include <span>

#include "package/package_builder.h"
#include "project.h"

namespace mvpack {

struct BuildOptions {
  // Chunks compressed at the same time; 0 means one per core. The installer is the same for any
  // number.
  std::size_t threads = 0;
};

// Streams the installer for `project` on top of `runtime_exe` to `sink`. The settings stream carries
// the project's settings; the file data holds one record per project file, each followed by the
// file's bytes. Files are read in portions and the compressed file data waits in an anonymous
// temporary file, so memory stays flat whatever the payload. Throws std::runtime_error for a file
// that cannot be read or a value the format cannot hold.
mv::WrittenInstaller WriteInstaller(const Project& project, std::span<const std::uint8_t> runtime_exe,
                                    const mv::ByteSink& sink, const BuildOptions& options = {});

// The same, into memory.
mv::BuiltInstaller BuildInstaller(const Project& project, std::span<const std::uint8_t> runtime_exe,
                                  const BuildOptions& options = {});

}  // namespace mvpack
