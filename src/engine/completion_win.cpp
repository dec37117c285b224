#include "engine/completion_win.h"

#include <windows.h>
#include <shellapi.h>
#include <srrestoreptapi.h>

#include <ctime>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/path.h"
#include "context/install_context_win.h"
#include "context/progress.h"
#include "context/prompt.h"
#include "engine/completion_rules.h"
#include "engine/extraction_rules.h"
#include "engine/extraction_win.h"
#include "engine/icon_resources.h"
#include "engine/preinstallation_rules.h"
#include "engine/registry_entries_win.h"
#include "engine/registry_script.h"
#include "lib/atomic_file_win.h"
#include "lib/desktop_shell_win.h"
#include "lib/launch_win.h"
#include "lib/native_file_view_win.h"
#include "lib/registry_path.h"
#include "lib/registry_paths_win.h"
#include "lib/system_library_win.h"
#include "lib/wide_win.h"
#include "records/deferred_ops_win.h"
#include "records/install_log.h"
#include "records/install_log_win.h"
#include "records/uninstall_data_win.h"
#include "vars/batch_win.h"
#include "vars/expand_win.h"

namespace mv {

namespace {

bool Registering() { return (Context().settings.ProductFlags & kFlagUninstaller) != 0; }

void ShowPath(const std::u16string& path) {
  if (!(Context().settings.ProductFlags & kFlagHideFileNames)) SetStatusPath(path);
}

std::string_view AsText(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Saves bytes of the package as a file of the installation, recorded for removal; the error or 0.
DWORD SaveFile(const std::u16string& path, std::span<const std::uint8_t> bytes) {
  ShowPath(path);
  const DWORD error = WriteFileAtomically(path, AsText(bytes));
  if (error == 0) AddUninstallEntry(path, UninstallEntryKind::kFile);
  return error;
}

void SaveBackgroundBitmap() {
  const Settings& s = Context().settings;
  if (!(s.ProductFlags & kFlagBackgroundPicture) || s.BackgroundBitmap.empty()) return;
  SaveFile(UninstallDataFolder() + u"\\Installer Background.bmp", s.BackgroundBitmap);
}

void SaveTexts(const std::vector<Bytes>& entries, std::u16string_view stem, std::u16string_view what,
               std::u16string_view detail_tag) {
  const InstallContext& c = Context();
  const std::vector<std::optional<std::u16string>> names = SavedTextNames(entries, stem);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!names[i]) continue;
    const std::u16string path = InstallDir(c) + u"\\" + *names[i];
    if (const DWORD error = SaveFile(path, SavedTextBytes(entries[i]))) {
      LogConcat({u"Failed to save ", what, u" to: ", path, u"\r\n", SystemErrorText(error), u"\r\n"});
    } else if (c.settings.ProductFlags & kFlagLogEachFile) {
      LogConcat({detail_tag, u" >>> ", path, u"\r\n"});
    }
  }
}

// The icon resources a program file carries: their type, name and language.
struct ResourceId {
  LPCWSTR type;
  std::uintptr_t name;  // integer names only; the runtime's resources have no others
  WORD language;
};

struct ResourceWalk {
  std::vector<ResourceId> ids;
  LPCWSTR type = nullptr;
  std::uintptr_t name = 0;
};

BOOL CALLBACK AddResourceLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  auto* walk = reinterpret_cast<ResourceWalk*>(param);
  walk->ids.push_back({walk->type, walk->name, language});
  return TRUE;
}

BOOL CALLBACK AddResourceName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
  if (!IS_INTRESOURCE(name)) return TRUE;
  auto* walk = reinterpret_cast<ResourceWalk*>(param);
  walk->name = reinterpret_cast<std::uintptr_t>(name);
  EnumResourceLanguagesW(module, type, name, AddResourceLanguage, param);
  return TRUE;
}

// Group icons first.
std::vector<ResourceId> IconResourceIds(const std::u16string& path) {
  ResourceWalk walk;
  const HMODULE module = LoadLibraryExW(W(path), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return {};
  for (LPCWSTR type : {RT_GROUP_ICON, RT_ICON}) {
    walk.type = type;
    EnumResourceNamesW(module, type, AddResourceName, reinterpret_cast<LONG_PTR>(&walk));
  }
  FreeLibrary(module);
  return walk.ids;
}

// Replaces the uninstaller's icons by the package's: every icon resource it has is removed and the
// package's images and group are added under the first group's name and language.
void ReplaceUninstallerIcon(const std::u16string& path, const Bytes& icon_file) {
  const std::optional<IconResources> icon = IconResourcesFromFile(icon_file);
  const std::vector<ResourceId> existing = icon ? IconResourceIds(path) : std::vector<ResourceId>{};
  const HANDLE update = icon ? BeginUpdateResourceW(W(path), FALSE) : nullptr;
  if (!update) return LogText(u"Failed to open uninstaller for icon replacement.\r\n");
  std::uintptr_t group_name = 1;
  WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
  if (!existing.empty() && existing.front().type == RT_GROUP_ICON) {
    group_name = existing.front().name;
    language = existing.front().language;
  }
  bool ok = true;
  for (const ResourceId& id : existing)
    ok &= UpdateResourceW(update, id.type, MAKEINTRESOURCEW(id.name), id.language, nullptr, 0) != FALSE;
  for (std::size_t i = 0; i < icon->images.size(); ++i)
    ok &= UpdateResourceW(update, RT_ICON, MAKEINTRESOURCEW(i + 1), language,
                          const_cast<std::uint8_t*>(icon->images[i].data()),
                          static_cast<DWORD>(icon->images[i].size())) != FALSE;
  ok &= UpdateResourceW(update, RT_GROUP_ICON, MAKEINTRESOURCEW(group_name), language,
                        const_cast<std::uint8_t*>(icon->group.data()), static_cast<DWORD>(icon->group.size())) != FALSE;
  if (!EndUpdateResourceW(update, ok ? FALSE : TRUE) || !ok) LogText(u"Failed to replace uninstaller icon.\r\n");
}

// The uninstaller: the installer's image without its package section, or a copy of the installer.
void PlaceUninstaller(HANDLE installer_file) {
  const InstallContext& c = Context();
  const std::u16string& path = c.uninstaller_path;
  if (path.empty()) return;
  const bool without_section = (c.header.product_flags2 & kFlags2UninstallerWithoutSection) != 0;
  bool written;
  if (without_section && !c.uninstaller_head.empty()) {
    written = WriteFileWithReplacement(
        path,
        WriteSource::HeadAndFileRange(c.uninstaller_head, installer_file, c.uninstaller_tail.offset,
                                      static_cast<std::int64_t>(c.uninstaller_tail.length)),
        c.settings.UninstallerTimes, kKeepAttributes, false);
    if (written && !c.settings.UninstallerIcon.empty()) ReplaceUninstallerIcon(path, c.settings.UninstallerIcon);
  } else {
    // A copy of the running file; when the target is held it is set to replace it at the restart.
    written = WriteFileWithReplacement(
        path, WriteSource::FileRange(installer_file, 0, static_cast<std::int64_t>(c.installer_size)), {},
        kKeepAttributes, true);
  }
  if (written) LogConcat({u"Uninstaller >>> ", path, u"\r\n"});
}

LONG WriteValue(HKEY key, const UninstallValue& v) {
  using Form = UninstallValueForm;
  switch (v.form) {
    case Form::kText: return SetKeyValue(key, v.name, REG_SZ, StringValueData(v.text));
    case Form::kText8: {
      const std::string name = Utf16ToCp1252(v.name);
      return RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.text8.c_str()),
                            static_cast<DWORD>(v.text8.size() + 1));
    }
    case Form::kNumber: {
      const DWORD n = static_cast<DWORD>(v.number);
      return RegSetValueExW(key, W(v.name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
    }
    case Form::kQword:
      return RegSetValueExW(key, W(v.name), 0, REG_QWORD, reinterpret_cast<const BYTE*>(&v.number), sizeof v.number);
    case Form::kDelete: {
      const LONG error = RegDeleteValueW(key, W(v.name));
      return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }
  }
  return ERROR_SUCCESS;
}

std::string ToAnsi(std::u16string_view text) { return ToCodePage(CP_ACP, text); }

std::u16string LanguageName(const InstallContext& c) {
  const std::vector<std::u16string> names = LanguageNames(c.lists);
  return c.language >= 0 && static_cast<std::size_t>(c.language) < names.size() ? names[c.language] : u"";
}

// The product's icon beside the uninstaller; its path, or empty when there is none.
std::u16string SaveProductIcon() {
  const InstallContext& c = Context();
  if (c.lists.ProductIcon.empty()) return {};
  const std::u16string path = UninstallDataFolder() + u"\\product.ico";
  return SaveFile(path, c.lists.ProductIcon) == 0 ? path : u"";
}

void WriteExtraValues(HKEY uninstall_key) {
  InstallContext& c = Context();
  for (const UninstallRegistryRecord& r : c.lists.UninstallRegistryList) {
    const ExtraValuePlan plan = PlanExtraValue(r.name, r.type, ExpandedVariables(r.value));
    OpenedRegistryKey opened;
    HKEY key = uninstall_key;
    if (!plan.key.empty()) {
      opened = OpenRegistryPath(plan.key, RegistryOpen::kOpenOrCreate, KEY_WOW64_32KEY);
      key = opened ? opened.key.get() : nullptr;
    }
    LONG error = opened.error;
    if (key) {
      UninstallValue value{plan.value_name, plan.form, plan.text, {}, plan.number};
      if (plan.form == UninstallValueForm::kText && plan.expandable)
        error = SetKeyValue(key, plan.value_name, REG_EXPAND_SZ, StringValueData(plan.text));
      else
        error = WriteValue(key, value);
    }
    if (error != ERROR_SUCCESS) {
      AddFailure(u"Failed to save data in registry key \"%s\": %s\r\n", {r.name, SystemErrorText(error)});
    } else if (!plan.key.empty()) {
      RunUninstallData().registry_records += UninstallValueRecord(plan.key, plan.value_name);
    }
  }
}

// Registers the product under the Uninstall key; false (with the system's message, when there is
// one) when the uninstaller's command could not be stored.
bool RegisterProduct(std::u16string& system_message) {
  const InstallContext& c = Context();
  const Settings& s = c.settings;
  const std::u16string subkey = std::u16string(kUninstallKeyRoot) + u"\\" + s.UninstallKeyName;
  const OpenedRegistryKey opened =
      OpenRegistryKey(HKEY_LOCAL_MACHINE, subkey, RegistryOpen::kOpenOrCreate, KEY_WOW64_32KEY);
  if (!opened) {
    system_message = SystemErrorText(opened.error);
    return false;
  }
  const HKEY key = opened.key.get();

  UninstallFacts facts;
  facts.uninstaller_path = c.uninstaller_path;
  facts.installer_path = U(c.exe_path);
  facts.product_icon_path = SaveProductIcon();
  facts.start_menu_folder = c.start_menu_folder;
  facts.shared_folder = c.shared_dir;
  facts.product_fonts = RunInstallLists().product_fonts;
  // The shared-file list as the earlier installation left it; the component registration extends it.
  facts.shared_files = ToAnsi(c.existing.shared_files);
  facts.support_offer = c.lists.SupportOffer;
  facts.session = c.session;
  facts.language_name = LanguageName(c);
  facts.bytes_written = RunInstallLists().bytes_written;
  for (const UninstallValue& v : UninstallValues(s, c.header.product_flags2, facts)) WriteValue(key, v);

  WriteExtraValues(key);

  SetKeyValue(key, u"InstallLocation", REG_SZ, StringValueData(InstallDir(c)));
  SYSTEMTIME now{};
  GetLocalTime(&now);
  WriteValue(key, {u"InstallDate", UninstallValueForm::kText8, {}, InstallDateText(now.wYear, now.wMonth, now.wDay), 0});

  const std::optional<std::wstring> read_back = opened.key.ReadString(L"UninstallString");
  return read_back && U(*read_back) == UninstallCommand(c.uninstaller_path, s.UninstallKeyName);
}

void StoreInstallPath() {
  const InstallContext& c = Context();
  if (c.settings.InstallPathRegistry.empty()) return;
  const RegistryValuePath where = SplitRegistryValuePath(c.settings.InstallPathRegistry);
  if (where.key.empty() || where.value.empty()) return;
  // The view the start-up reads it from.
  SetRegistryString(where.key, where.value, InstallDir(c), KEY_WOW64_64KEY);
}

void RegisterUninstall(HANDLE installer_file) {
  PlaceUninstaller(installer_file);
  std::u16string system_message;
  const bool registered = RegisterProduct(system_message);
  StoreInstallPath();
  if (registered) return;
  if (!system_message.empty()) AddFailure(u"System error: " + system_message + u"\r\n\r\n");
  AddFailure(u"Unable to save the uninstall information to the registry.  Uninstall will not work properly.\r\n\r\n");
}

void LeaveRebootMarker() {
  const InstallContext& c = Context();
  if (!(c.settings.ProductFlags & kFlagRebootMarker)) return;
  const std::u16string path = InstallDir(c) + u"\\reboot.dat";
  if (WriteFileAtomically(path, {}) == 0) SetFileAttributesW(W(path), FILE_ATTRIBUTE_HIDDEN);
}

void CommitRestorePoint() {
  const InstallContext& c = Context();
  if (!(c.header.product_flags2 & kFlags2RestorePoint)) return;
  bool committed = false;
  if (UniqueModule library = LoadSystemLibrary(L"srclient.dll")) {
    using SetRestorePointFn = BOOL(WINAPI*)(PRESTOREPOINTINFOW, PSTATEMGRSTATUS);
    if (const auto set_point = library.Function<SetRestorePointFn>("SRSetRestorePointW")) {
      RESTOREPOINTINFOW info{};
      info.dwEventType = END_SYSTEM_CHANGE;
      info.dwRestorePtType = APPLICATION_INSTALL;
      info.llSequenceNumber = c.restore_point;
      STATEMGRSTATUS status{};
      committed = set_point(&info, &status) != FALSE;
    }
  }
  if (!committed) LogText(u"Failed to commit restore point.\r\n");
}

// The names in a folder; nullopt when it cannot be listed.
std::optional<std::vector<std::u16string>> FolderNames(const std::u16string& folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE find = FindFirstFileW(W(folder + u"\\*"), &found);
  if (find == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<std::u16string> names;
  do {
    const std::u16string name = U(found.cFileName);
    if (name == u"." || name == u"..") continue;
    // A link or a folder inside keeps the folder, whatever its name.
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) names.push_back(u"\\");
    else names.push_back(name);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

void RemoveIfEmpty(const std::u16string& folder) {
  if (folder.empty()) return;
  const std::optional<std::vector<std::u16string>> names = FolderNames(folder);
  if (!names || !CountsAsEmptyFolder(*names)) return;
  for (const std::u16string& name : *names) {
    const std::u16string path = folder + u"\\" + name;
    SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(W(path));
  }
  RemoveDirectoryW(W(folder));
}

bool AskRestart() {
  const InstallContext& c = Context();
  RestartFacts facts;
  facts.pending = (c.settings.ProductFlags & kFlagRestartPending) != 0;
  facts.automatic = c.options.AutomaticMode;
  facts.ask_always = (c.settings.ProductFlags & kFlagAskRestartAlways) != 0;
  facts.no_restart = c.options.NoRestart;
  switch (DecideRestart(facts)) {
    case RestartAction::kNone: return false;
    case RestartAction::kRestart: return true;
    case RestartAction::kAsk:
      if (c.options.SilentMode) return true;
      return RestartConfirmed(false, ShowQuestion(LanguageText(37), LanguageText(20)));
  }
  return false;
}

void RestartWindows() {
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
  }
  ExitWindowsEx(EWX_REBOOT | EWX_FORCEIFHUNG,
                SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION);
}

// The program and its parameters: a quoted first atom, or everything up to the first blank.
std::pair<std::u16string, std::u16string> SplitProgram(const std::u16string& command) {
  std::size_t end;
  std::u16string program;
  if (!command.empty() && command.front() == u'"') {
    end = command.find(u'"', 1);
    program = command.substr(1, end == std::u16string::npos ? std::u16string::npos : end - 1);
    end = end == std::u16string::npos ? command.size() : end + 1;
  } else {
    end = command.find(u' ');
    if (end == std::u16string::npos) end = command.size();
    program = command.substr(0, end);
  }
  std::size_t rest = command.find_first_not_of(u' ', end);
  return {program, rest == std::u16string::npos ? u"" : command.substr(rest)};
}

bool ShellOpen(const std::u16string& file, const std::u16string& parameters, const std::u16string& folder) {
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", W(file),
                                                 parameters.empty() ? nullptr : W(parameters),
                                                 folder.empty() ? nullptr : W(folder), SW_SHOWNORMAL)) > 32;
}

void OpenDocument(const std::u16string& setting) {
  if (setting.empty()) return;
  const std::u16string path = ResolveAgainst(InstallDir(Context()), ExpandedVariables(setting));
  if (!OpenThroughDesktopShell(path)) ShellOpen(path, u"", u"");
}

void StartLaunchProgram() {
  const InstallContext& c = Context();
  if (c.settings.LaunchProgram.empty()) return;
  const auto [program, parameters] = SplitProgram(ExpandedVariables(c.settings.LaunchProgram));
  const bool through_shell = !(c.header.product_flags2 & kFlags2LaunchDirectly) && parameters.empty();
  if (through_shell && OpenThroughDesktopShell(program)) return;
  if (ShellOpen(program, parameters, InstallDir(c))) return;
  AppendToInstallLog(u"Failed to launch app: " + program + u"\r\n" + SystemErrorText(GetLastError()) + u"\r\n");
}

void Launch() {
  const InstallContext& c = Context();
  SetCurrentDirectoryW(W(InstallDir(c)));
  const std::u16string& command = c.options.RunAfterInstall;
  if (FailureSummary().empty() && !command.empty()) {
    const LaunchResult started = StartProgram(command);
    if (!started.started)
      AppendToInstallLog(u"Failed to launch command: " + command + u"\r\n" + SystemErrorText(started.error) +
                         u"\r\n");
  }
  if (c.summary.open_document) OpenDocument(c.settings.LaunchDocument);
  if (c.summary.launch) StartLaunchProgram();
  if (c.summary.open_second_document) OpenDocument(c.settings.LaunchFile);
}

}  // namespace

int CompleteInstallation(HANDLE installer_file) {
  InstallContext& c = Context();
  {
    const NativeFileView native(c.settings.Bitness == 1);
    SaveBackgroundBitmap();
    if (c.settings.ProductFlags & kFlagSaveReadme) SaveTexts(c.settings.ReadmeFiles, u"readme", u"readme", u"README");
    if (c.settings.ProductFlags & kFlagSaveLicense) SaveTexts(c.settings.LicenseFiles, u"eula", u"EULA", u"EULA");
  }
  if (c.settings.ProductFlags & kFlagAddToPath) AddToPath(true, c.settings.AddToPathSubfolder);
  if (Registering()) RegisterUninstall(installer_file);
  LeaveRebootMarker();

  SetStatusText(36);
  SetProgress(100);
  if (Registering() && !WriteUninstallData()) {
    const DWORD error = GetLastError();
    AddFailure(LanguageText(31) + u" " + UninstallDataPath() + u"\r\n");
    AddFailure(u"Code %d: %s\r\n\r\n", {static_cast<int>(error), SystemErrorText(error)});
  }
  RunPostInstallBatch();
  // The completion notification is sent here once the network client exists.
  CommitRestorePoint();
  if (!c.options.RunAfterInstall.empty()) LogConcat({u"Launch on exit: ", c.options.RunAfterInstall, u"\r\n"});
  CloseProgress();
  WriteInstallLog(FailureSummary(), true);

  const bool restart = AskRestart();
  RunExitBatch();
  {
    // The folders are removed in the product's own file view; leaving the scope turns redirection
    // back on for a 64-bit product.
    const NativeFileView native(c.settings.Bitness == 1);
    RemoveIfEmpty(c.shared_dir);
    RemoveIfEmpty(UninstallDataFolder());
    RemoveIfEmpty(InstallDir(c));
  }
  if (restart)
    RestartWindows();
  else
    Launch();
  return CompletionExitCode((c.settings.ProductFlags & kFlagRestartPending) != 0, c.disk_full);
}

}  // namespace mv
