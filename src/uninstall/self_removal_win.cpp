#include "uninstall/self_removal_win.h"

#include <windows.h>
#include <shellapi.h>

#include "base/bytes.h"
#include "lib/handle_win.h"
#include "lib/os_info_win.h"
#include "lib/special_folders_win.h"
#include "lib/temp_file_win.h"
#include "lib/wide_win.h"
#include "uninstall/uninstall_rules.h"
#include "vars/batch.h"

namespace mv {
namespace {

std::u16string g_install_location;
std::u16string g_uninstall_subdir;

std::u16string OwnPath() {
  std::wstring buffer(1024, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), 1024);
  if (n == 0 || n >= 1024) return {};
  buffer.resize(n);
  return U(buffer);
}

std::u16string Comspec() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(L"COMSPEC", buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return reinterpret_cast<const char16_t*>(buffer);
}

}  // namespace

void SetSelfRemovalFolders(const std::u16string& install_location, const std::u16string& uninstall_subdir) {
  g_install_location = install_location;
  g_uninstall_subdir = uninstall_subdir;
}

bool RemoveUninstaller() {
  // The batch is run by the command interpreter after this process has gone: it gets a name nobody
  // can foresee and is created new, so no file planted in the temporary folder is ever run.
  CreatedTempFile batch = CreateTempFile(TempFolder(), u"bat");
  if (batch.path.empty()) return false;
  const OsInfo& os = GetOsInfo();
  const bool utf8_capable = os.platform == kPlatformNt && (os.major > 6 || (os.major == 6 && os.minor >= 1));
  const Bytes bytes = EncodeBatchText(
      SelfRemovalBatchText(OwnPath(), g_install_location, g_uninstall_subdir, batch.path), utf8_capable);
  DWORD written = 0;
  const bool ok = WriteFile(batch.handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  batch.handle.reset();
  if (!ok) {
    DeleteFileW(W(batch.path));
    return false;
  }

  std::u16string command = SelfRemovalCommandLine(Comspec(), batch.path);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(command.data()), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                     nullptr, nullptr, &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
  }
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", W(batch.path), nullptr, nullptr, SW_HIDE));
  return result > 32;
}

}  // namespace mv
