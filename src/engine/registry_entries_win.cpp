#include "engine/registry_entries_win.h"

#include <windows.h>

#include <string>
#include <vector>

#include "base/path.h"
#include "context/install_context_win.h"
#include "engine/registry_script.h"
#include "lib/folder_win.h"
#include "lib/launch_win.h"
#include "lib/registry_path.h"
#include "lib/registry_paths_win.h"
#include "lib/special_folders_win.h"
#include "lib/temp_file_win.h"
#include "lib/wide_win.h"
#include "records/install_log_win.h"
#include "records/uninstall_data_win.h"
#include "records/uninstall_file.h"
#include "vars/expand_win.h"

namespace mv {

namespace {

constexpr std::u16string_view kAppPaths = u"\\HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr wchar_t kEnvironmentKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
// The longest "Path" the runtime takes on (characters); far beyond any the system itself can use.
constexpr std::size_t kMaxSearchPath = 1u << 20;
// How long each window may take to hear of the changed environment.
constexpr UINT kSettingChangeTimeoutMs = 5000;

REGSAM ProductView(const InstallContext& c) {
  return (c.settings.ProductFlags & kFlagRegistry64) ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

bool IsAllUsersPath(std::u16string_view path) {
  const std::optional<RegistryPath> parsed = ParseRegistryPath(path);
  return parsed && parsed->root == RegistryRoot::kAllUsers;
}

void AppendRegistryRecord(const std::u16string& record) { RunUninstallData().registry_records += record; }

void CreateProductKey(const InstallContext& c, REGSAM view) {
  const std::u16string& name = c.settings.ProductRegistry;
  if (name.empty()) return;
  const std::u16string subkey = u"\\Software\\" + name;
  LONG error = CreateRegistryKey(u"\\HKAU" + subkey, view);
  const LONG machine = CreateRegistryKey(u"\\HKLM" + subkey, view);
  if (error == ERROR_SUCCESS) error = machine;
  if (error != ERROR_SUCCESS)
    AddFailure(u"Error creating registry keys at \\Software\\%s\r\nCode %d: %s\r\n\r\n",
               {name, static_cast<int>(error), SystemErrorText(error)});
}

void LogKeyFailure(const std::u16string& key, LONG error) {
  LogConcat({u"Failed to create registry key: ", key, u"\r\n", SystemErrorText(error), u"\r\n"});
}

void LogValueFailure(const std::u16string& name, LONG error) {
  LogConcat({u"Failed to create registry value \"", name, u"\": ", SystemErrorText(error), u"\r\n"});
}

void SetScriptValue(const RegistryAction& a, REGSAM view) {
  const ExistingValue existing = a.keep_existing ? ExistingValue::kKeep : ExistingValue::kReplace;
  if (IsAllUsersPath(a.key)) {
    if (const LONG error = SetRegistryValue(a.key, a.value_name, a.type, a.data, view, existing))
      LogValueFailure(a.value_name, error);
    return;
  }
  const OpenedRegistryKey opened = OpenRegistryPath(a.key, RegistryOpen::kOpenOrCreate, view);
  if (!opened) return LogKeyFailure(a.key, opened.error);
  if (const LONG error = SetKeyValue(opened.key.get(), a.value_name, a.type, a.data, existing))
    LogValueFailure(a.value_name, error);
}

void RunRegistryScript(const InstallContext& c, REGSAM view) {
  if (c.settings.RegistryScript.empty()) return;
  const std::u16string script = UninstallRegistryScript(c.settings.RegistryScript, u"");
  const auto expand = [&c](std::u16string_view text) {
    std::u16string expanded(text);
    ExpandVariables(expanded, c);
    return expanded;
  };
  for (const RegistryAction& a : PlanRegistryScript(script, expand)) {
    switch (a.step) {
      case RegistryStep::kNone: break;
      case RegistryStep::kCreateKey:
        if (const LONG error = CreateRegistryKey(a.key, view)) LogKeyFailure(a.key, error);
        break;
      case RegistryStep::kDeleteValue:
        // A value or key that is not there is nothing to delete.
        DeleteRegistryValue(a.key, a.value_name, view);
        break;
      case RegistryStep::kSetValue: SetScriptValue(a, view); break;
      case RegistryStep::kIllegal: AddFailure(u"Illegal registry entry: " + a.text + u"\r\n"); break;
    }
  }
}

bool WriteAllTo(HANDLE file, const Bytes& bytes) {
  DWORD written = 0;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
}

// Writes the merge file, created exclusively under a new name, and keeps it open while the registry
// editor imports it. The handle that stays open is made from the writing one (never by the name)
// and shares no deletion: nobody can replace, rename or delete the file in between. It has to share
// writing, or it could not be had while the writing handle is open.
void MergeRegistryFile(const InstallContext& c) {
  if (c.settings.RegMergeData.empty()) return;
  CreatedTempFile temp = CreateTempFile(u"", u"reg", {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ});
  UniqueHandle reader;
  DWORD error = ERROR_SUCCESS;
  if (!temp.handle || !WriteAllTo(temp.handle.get(), c.settings.RegMergeData)) {
    error = GetLastError();
  } else {
    reader.reset(ReOpenFile(temp.handle.get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
    if (!reader) error = GetLastError();
  }
  temp.handle.reset();
  if (error != ERROR_SUCCESS) {
    if (!temp.path.empty()) DeleteFileW(W(temp.path));
    AddFailure(u"Failed to create the registry merge file: " + SystemErrorText(error) + u"\r\n");
    return;
  }

  LogText(u"Merging registry file...");
  const std::u16string editor = JoinPath(WindowsFolder(), u"regedit.exe");
  const LaunchResult run = RunAndWait(u"\"" + editor + u"\" /s \"" + temp.path + u"\"", u"", true);
  if (run.started) {
    LogText(u"OK\r\n");
  } else {
    const std::u16string message = SystemErrorText(run.error);
    LogConcat({u"FAILED!\r\n", message, u"\r\n"});
    AddFailure(u"Failed to import the registry merge file: " + message + u"\r\n");
  }
  reader.reset();
  DeleteFileW(W(temp.path));
}

void RegisterAppPath(const InstallContext& c, REGSAM view) {
  if (c.settings.AppPathProgram.empty()) return;
  LogText(u"Registering exe path...");
  const std::u16string program = JoinPath(InstallDir(c), c.settings.AppPathProgram);
  if (!FileExists(program)) {
    LogConcat({u"FAILED, \"", program, u"\" does not exist.\r\n"});
    return;
  }
  const std::u16string key = std::u16string(kAppPaths) + FileNameOf(program);
  const OpenedRegistryKey opened = OpenRegistryPath(key, RegistryOpen::kCreateNew, view);
  if (opened.error == ERROR_ALREADY_EXISTS) {
    LogText(u"a registration already exists\r\n");
    return;
  }
  if (!opened) {
    LogConcat({u"FAILED to create \"", key, u"\": ", SystemErrorText(opened.error), u"\r\n"});
    return;
  }
  struct Value {
    std::u16string_view name;
    std::u16string data;
  } values[] = {{u"", program}, {u"Path", FolderOf(program)}};
  LONG failed = ERROR_SUCCESS;
  for (const Value& v : values) {
    const LONG error = SetKeyValue(opened.key.get(), v.name, REG_SZ, StringValueData(v.data));
    if (error == ERROR_SUCCESS) {
      AppendRegistryRecord(UninstallValueRecord(key, v.name));
    } else if (failed == ERROR_SUCCESS) {
      failed = error;
    }
  }
  if (failed != ERROR_SUCCESS) {
    LogConcat({u"FAILED to create value: ", SystemErrorText(failed), u"\r\n"});
    return;
  }
  LogText(u"OK\r\n");
  AppendRegistryRecord(UninstallKeyRecord(key));
}

}  // namespace

void InstallRegistryEntries() {
  const InstallContext& c = Context();
  const REGSAM view = ProductView(c);
  const RegistryStepsToRun steps = RegistryStepsFor(RemovableTarget(c), c.header.product_flags2);
  if (steps.product_key_and_script) {
    CreateProductKey(c, view);
    RunRegistryScript(c, view);
  }
  MergeRegistryFile(c);
  if (steps.app_paths) RegisterAppPath(c, view);
}

void AddToPath(bool add, std::u16string_view subfolder) {
  const OpenedRegistryKey environment = OpenRegistryKey(HKEY_LOCAL_MACHINE, U(kEnvironmentKey), RegistryOpen::kOpenOnly);
  if (!environment) return;
  const std::optional<std::wstring> path = environment.key.ReadString(L"Path", kMaxSearchPath);
  if (!path || path->empty()) return;

  const std::u16string folder = SearchPathFolder(InstallDir(Context()), subfolder);
  if (add && !FolderExists(folder)) {
    LogConcat({u"Couldn't add \"", folder, u"\" to the PATH because it does not exist.\r\n"});
    return;
  }
  const std::optional<std::u16string> edited = EditSearchPath(U(*path), folder, add);
  if (!edited) return;
  if (const LONG error = SetKeyValue(environment.key.get(), u"Path", REG_EXPAND_SZ, StringValueData(*edited))) {
    LogConcat({u"Failed to change the PATH: ", SystemErrorText(error), u"\r\n"});
    return;
  }
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"), SMTO_ABORTIFHUNG,
                      kSettingChangeTimeoutMs, &ignored);
}

}  // namespace mv
