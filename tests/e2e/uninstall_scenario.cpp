#include "uninstall_scenario.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "base/text.h"
#include "package/settings.h"

namespace mve2e {

std::string Narrow(const std::u16string& s) { return mv::Utf16ToUtf8(s); }

bool KeyExists(const std::string& key, const std::string& view) { return static_cast<bool>(Reg({"query", key, view})); }

bool WaitUntilGone(const fs::path& path, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (!fs::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

fs::path FromWindowsPath(std::string path) {
  if (path.size() < 2 || (path[0] != 'Z' && path[0] != 'z') || path[1] != ':') return {};
  path.erase(0, 2);
  for (char& ch : path)
    if (ch == '\\') ch = '/';
  return fs::path(path);
}

std::optional<RegisteredCommand> UninstallStringOf(const std::string& key) {
  const std::optional<RegValue> command = QueryValue(key, "UninstallString", kView32);
  if (!command) return std::nullopt;
  const std::size_t end = command->data.find('"', 1);
  if (command->data.empty() || command->data[0] != '"' || end == std::string::npos) return std::nullopt;
  const std::string program = command->data.substr(1, end - 1);
  const fs::path exe = FromWindowsPath(program);
  EXPECT_EQ(WindowsPathUtf8(exe), program);
  return RegisteredCommand{exe, command->data.substr(end + 2)};
}

ExitCode RunUninstallString(const std::string& key, const fs::path& installed, const std::string& dll_overrides,
                            const WineDebug& debug) {
  const std::optional<RegisteredCommand> command = UninstallStringOf(key);
  if (!command) return {true, 0};
  return RunWindows(command->exe, command->arguments, 120, installed.parent_path(), dll_overrides, debug);
}

mvpack::Project UninstallableProject(const fs::path& dir) {
  mvpack::Project p = SmallProject(dir);
  p.settings.ProductFlags |= mv::kFlagUninstaller | kAutomaticUninstall;
  p.settings.UninstallerFileName = u"uninstall.exe";
  return p;
}

}  // namespace mve2e
