// Building the installers that the scenarios run.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "build.h"
#include "harness.h"

namespace mve2e {

mv::Bytes ReadAll(const fs::path& path);
// The file's bytes as an 8-bit string (empty when it cannot be read).
std::string Text(const fs::path& path);
void WriteAll(const fs::path& path, const mv::Bytes& bytes);

// The path as a Windows program of the session sees it, through Wine's Z: drive.
std::u16string WindowsPath(const fs::path& path);
// The same in UTF-8, for comparing with logs.
std::string WindowsPathUtf8(const fs::path& path);

// A setting of the current Wine session (scripts/wine-session writes them as "export NAME=value");
// empty when it is not set.
std::string SessionValue(const std::string& name);

// A small product in `folder`: two files, one compressible and one not, xz-compressed chunks of
// 4 KiB, one language. It installs into `folder`/installed, its own folder, so that scenarios running
// side by side never write the same files, and registers under its own Uninstall key ("MvE2E " and
// the folder's name).
mvpack::Project SmallProject(const fs::path& folder);

struct Built {
  fs::path path;
  mv::BuiltInstaller installer;
};

// Builds `project` on the runtime of the win32 tree and writes the installer to `path`.
Built Build(const mvpack::Project& project, const fs::path& path);

// Runs `reg.exe` of the Wine session with the given arguments; success when it ended with 0, else a
// failure that shows its exit status and output (ASSERT_TRUE prints it).
::testing::AssertionResult Reg(const std::vector<std::string>& args);

// A value as `reg query` shows it: the type's name ("REG_SZ") and the data as text (binary data in
// hexadecimal digits, numbers as "0x..."). `view` is "/reg:32" or "/reg:64"; an empty `name` is
// the key's default value. Nullopt when the key or the value is missing.
struct RegValue {
  std::string type;
  std::string data;
  bool operator==(const RegValue&) const = default;
};
std::optional<RegValue> QueryValue(const std::string& key, const std::string& name, const std::string& view);

// The key as `reg export` writes it to `file` (UTF-16 there), in UTF-8; empty when the export failed.
// It shows what `reg query` does not, such as the bytes of a REG_QWORD value.
std::string ExportKey(const std::string& key, const std::string& view, const fs::path& file);

}  // namespace mve2e
