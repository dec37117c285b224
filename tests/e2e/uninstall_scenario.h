// What the uninstall scenarios share: a product that installs its uninstaller, the registered
// uninstall command run as Windows' Programs list runs it, and registry checks in both views.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "scenario.h"

namespace mve2e {

inline constexpr std::uint64_t kAutomaticUninstall = 1ull << 9;
inline constexpr std::uint64_t kDeleteTree = 1ull << 10;
inline const std::string kView32 = "/reg:32", kView64 = "/reg:64";
inline const std::string kUninstallRoot = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Narrow(const std::u16string& s);

bool KeyExists(const std::string& key, const std::string& view);

// Waits until `path` is gone; false when it is still there after `seconds`.
bool WaitUntilGone(const fs::path& path, int seconds);

// The Linux path of a path on Wine's Z: drive; empty for any other path.
fs::path FromWindowsPath(std::string path);

// The key's "UninstallString": the quoted program and its arguments as they follow it.
struct RegisteredCommand {
  fs::path exe;
  std::string arguments;
};
std::optional<RegisteredCommand> UninstallStringOf(const std::string& key);

// Runs the command the product registered, as the control panel would: the quoted program, then
// its arguments verbatim. A key without a usable command counts as a time-out.
ExitCode RunUninstallString(const std::string& key, const fs::path& installed, const std::string& dll_overrides = {},
                            const WineDebug& debug = {});

// The small product with its uninstaller ("uninstall.exe") and automatic uninstallation.
mvpack::Project UninstallableProject(const fs::path& dir);

}  // namespace mve2e
