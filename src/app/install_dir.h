// Where the installation folder goes by default: the package's DefaultInstallDir setting placed with
// the machine's folders.
#pragma once

#include <string>
#include <string_view>

#include "base/path.h"

namespace mv {

struct FolderFacts {
  std::u16string windows;           // the Windows folder
  std::u16string program_files;     // the Program Files folder of this (32-bit) process
  std::u16string program_files_64;  // the native Program Files folder (64-bit Windows)
};

// True when the setting names a registry value that holds the folder: "HKLM\..." or "HKCU\..."
// (root names in any letter case).
bool NamesRegistryFolder(std::u16string_view setting);

// The default installation folder from the (already defaulted) setting: "<os>" becomes the Windows
// folder; "<master>" and registry references stay as they are for the steps that resolve them; a
// relative folder is placed under Program Files, the native one for a 64-bit product (bitness 1).
// `expand` applies the installation variables to the text after "<os>" is replaced.
template <typename Expand>
std::u16string PlaceDefaultInstallDir(std::u16string setting, const FolderFacts& facts, int bitness,
                                      Expand&& expand);

std::u16string PlaceUnderProgramFiles(std::u16string folder, const FolderFacts& facts, int bitness);
std::u16string ReplaceOsPlaceholder(std::u16string setting, const FolderFacts& facts);

template <typename Expand>
std::u16string PlaceDefaultInstallDir(std::u16string setting, const FolderFacts& facts, int bitness,
                                      Expand&& expand) {
  if (setting == u"<master>" || NamesRegistryFolder(setting)) return setting;
  return PlaceUnderProgramFiles(expand(ReplaceOsPlaceholder(std::move(setting), facts)), facts, bitness);
}

}  // namespace mv
