#include "records/uninstall_data_win.h"

#include <windows.h>

#include "base/path.h"
#include "context/install_context_win.h"
#include "lib/atomic_file_win.h"
#include "lib/file_object_win.h"
#include "lib/native_file_view_win.h"
#include "records/record_paths.h"

namespace mv {

namespace {

// The path decoded as the system reads it and upper-cased without regard to the user's locale, as
// the file system compares names.
std::u16string SystemFolderKey(std::string_view encoded_path) {
  std::u16string path = WidenNarrowPath(encoded_path);
  if (path.empty()) return path;
  auto* text = reinterpret_cast<wchar_t*>(path.data());
  const int size = static_cast<int>(path.size());
  std::u16string upper(path.size(), u'\0');
  const int n =
      LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text, size, reinterpret_cast<wchar_t*>(upper.data()), size);
  if (n == size) return upper;
  return path;
}

}  // namespace

UninstallData& RunUninstallData() {
  static UninstallData data(SystemFolderKey);
  return data;
}

bool AddUninstallEntry(std::string_view text, UninstallEntryKind kind) {
  return RunUninstallData().AddEntry(text, kind);
}
bool AddUninstallEntry(std::u16string_view text, UninstallEntryKind kind) {
  return RunUninstallData().AddEntry(text, kind);
}

void ClearUninstallData() { RunUninstallData().Clear(); }

std::u16string UninstallDataFolder() {
  const InstallContext& c = Context();
  return JoinPath(InstallDir(c), c.settings.UninstallSubdir);
}

std::u16string UninstallDataPath() {
  const InstallContext& c = Context();
  return RecordFilePath(InstallDir(c), c.settings.UninstallSubdir, kUninstallDataName);
}

UninstallFile CurrentUninstallFile() {
  const InstallContext& c = Context();
  const UninstallData& data = RunUninstallData();
  UninstallFile f;
  f.entries = data.entries();
  f.strings = UninstallStrings(c.lists, c.language, c.settings.HeaderTitle);
  f.auto_close = UninstallAutoClose(c.lists.CloseProgramList);
  f.associations = data.associations;
  f.firewall = data.firewall;
  f.drivers = data.drivers;
  f.packages = data.packages;
  f.registry_script = UninstallRegistryScript(c.settings.RegistryScript, data.registry_records);
  f.conditional_deletions = UninstallDeletions(c.lists.DeletionList);
  return f;
}

bool WriteUninstallData() {
  std::uint32_t error;
  {
    const NativeFileView native(Context().settings.Bitness == 1);
    error = WriteFileAtomically(UninstallDataPath(), ComposeUninstallFile(CurrentUninstallFile()));
  }
  // Switching the file view back may touch the last error; the caller reads the write's.
  SetLastError(error);
  return error == ERROR_SUCCESS;
}

}  // namespace mv
