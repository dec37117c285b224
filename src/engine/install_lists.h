// What the file extraction collects for the later installation steps: the shortcuts to make, the
// shared files with their markers, the components to register, the product's fonts, and the files
// written in this run.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "package/lists.h"

namespace mv {

struct InstallLists {
  std::vector<ShortcutEntry> shortcuts;
  std::vector<std::string> shared_files;  // NarrowPath + marker byte (none, " ", "^" or 0xA9)
  std::vector<std::string> com_servers;
  std::vector<std::string> type_libraries;
  std::vector<std::string> drivers;
  std::string product_fonts;            // "\"face\" \"file\" " per font
  std::set<std::string> installed_files;  // lower-cased NarrowPaths of files written directly
  bool fonts_changed = false;
  std::uint64_t bytes_written = 0;  // the bytes of every file written (or set to replace one)
};

}  // namespace mv
