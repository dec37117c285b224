// Where the installation's records live: Install.log and Uninstall.dat sit in the uninstall-data
// folder, the install folder joined with the uninstall sub-folder (or the install folder itself when
// there is none).
#pragma once

#include <string>
#include <string_view>

namespace mv {

inline constexpr char16_t kInstallLogName[] = u"Install.log";
inline constexpr char16_t kUninstallDataName[] = u"Uninstall.dat";

std::u16string RecordFilePath(std::u16string_view install_dir, std::u16string_view uninstall_subdir,
                              std::u16string_view file_name);

}  // namespace mv
