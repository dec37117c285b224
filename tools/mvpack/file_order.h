// The order in which a project's files go into the package.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "project.h"

namespace mvpack {

// Indexes into `files`, grouped by the extension of the name each file is installed under, so that
// files of one type share chunks: a chunk is compressed on its own, and text that resembles text
// met earlier in the same chunk costs little. Within a group the project's order is kept, so two
// files installed to the same place (same name, hence same extension) are written in the order
// the author gave them. Files whose kind acts on them after the write (fonts, COM servers, type
// libraries, drivers, Windows Installer packages, applets) and files whose name or new name holds
// a variable, which may expand to any extension, stay where they are, and no file moves past them:
// the ones before them are still in place when they are used.
std::vector<std::size_t> GroupedFileOrder(std::span<const ProjectFile> files);

// The project's own order: 0, 1, 2, ...
std::vector<std::size_t> ProjectFileOrder(std::size_t count);

}  // namespace mvpack
