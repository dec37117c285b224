// mvpack inspect: an installer's package as a project file.
#pragma once

#include <cstdint>
#include <span>

#include <nlohmann/json.hpp>

namespace mvpack {

// The package options, the settings exactly as stored and the file list, in the project format
// that mvpack build reads: building the result again reproduces the settings stream byte for byte
// (and the Blowfish key of an enciphered package). Each file's "source" is where mvpack extract
// puts it (absent for a record extract refuses), so a folder that holds the extracted files and
// this output rebuilds the installer. Throws mv::CorruptPackage or mv::FatalPackageError for a damaged
// installer.
nlohmann::json InspectInstaller(std::span<const std::uint8_t> installer);

}  // namespace mvpack
