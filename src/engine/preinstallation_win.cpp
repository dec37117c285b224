#include "engine/preinstallation_win.h"

#include <windows.h>
#include <objbase.h>
#include <srrestoreptapi.h>

#include <string>

#include "base/codepage.h"
#include "base/format.h"
#include "base/path.h"
#include "context/exit_code.h"
#include "context/install_context_win.h"
#include "context/progress.h"
#include "context/prompt.h"
#include "context/wizard_pages.h"
#include "base/version.h"
#include "engine/close_programs.h"
#include "engine/close_programs_win.h"
#include "engine/extraction_rules.h"
#include "engine/preinstallation_rules.h"
#include "lib/file_security_win.h"
#include "lib/folder_rules.h"
#include "lib/folder_win.h"
#include "lib/launch_win.h"
#include "lib/registry_key_win.h"
#include "lib/special_folders_win.h"
#include "lib/system_library_win.h"
#include "lib/wide_win.h"
#include "package/settings.h"
#include "records/install_log_win.h"
#include "records/uninstall_data_win.h"
#include "vars/batch_win.h"
#include "vars/expand_win.h"

namespace mv {

namespace {

constexpr std::uint64_t kFlagForceUninstall = 1ull << 0;
constexpr std::uint64_t kFlagFolderPage = 1ull << 7;
constexpr std::uint64_t kFlagNoExistingQuestion = 1ull << 28;
constexpr std::uint64_t kFlagStartMenuPage = 1ull << 34;
constexpr std::uint64_t kFlagCompareVersions = 1ull << 36;
constexpr std::uint64_t kFlagAskBelowOptionVersion = 1ull << 44;
constexpr std::uint64_t kFlagLoosenSecurity = 1ull << 50;
constexpr std::uint64_t kFlagNoRegistrationOnRemovable = 1ull << 56;
constexpr std::uint64_t kFlagLoosenSharedFolder = 1ull << 62;
constexpr std::uint32_t kFlags2ReinstallBatchForReinstallOnly = 1u << 0;
constexpr std::uint32_t kFlags2NoStartMenuOnRemovable = 1u << 11;
constexpr std::uint32_t kFlags2RecordInstallPathValue = 1u << 13;

constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool Automatic() { return Context().options.AutomaticMode; }
bool Silent() { return Context().options.SilentMode; }
bool Registering() { return (Context().settings.ProductFlags & kFlagUninstaller) != 0; }

// The folder of the shared files: the product's shared name under the base its setting chooses.
std::u16string SharedFolder(const Settings& s) {
  std::u16string base;
  switch (s.UninstallDataChoice) {
    case 1: base = GetSpecialFolder(SpecialFolder::kCommonAppData); break;
    case 2: base = CommonFilesFolder(false); break;
    case 3: base = CommonFilesFolder(true); break;
    default: base = CommonFilesFolder(s.Bitness == 1); break;
  }
  return s.SharedPath.empty() ? base : ResolveAgainst(base, s.SharedPath);
}

void CreateFolderLogged(const std::u16string& folder, const char16_t* what) {
  if (folder.empty() || CreateFolderChain(folder)) return;
  LogText(u"Failed to create " + std::u16string(what) + u" \"" + folder + u"\": " + SystemErrorText(GetLastError()) +
          u"\r\n");
}

// Opens a folder to everyone when the package asks for it, logging the outcome.
void LoosenSecurity(const std::u16string& folder) {
  if (!(Context().settings.ProductFlags & kFlagLoosenSecurity)) return;
  LogText(u"Loosening security on directory \"" + folder + u"\"...");
  if (const DWORD error = LoosenFolderSecurity(folder))
    LogFormat(u"FAILED code %d: %s\r\n\r\n", {static_cast<int>(error), SystemErrorText(error)});
  else
    LogText(u"OK\r\n");
}

// A folder named by a registry value ("HKLM\..." or "HKCU\..."): nothing when the default folder is
// not such a text; else the folder, or the exit code after its message.
struct SourcedFolder {
  std::u16string folder;
  std::optional<int> exit_code;
};
std::optional<SourcedFolder> FolderFromRegistry() {
  const std::u16string& text = Context().settings.DefaultInstallDir;
  const std::optional<RegistryFolder> source = RegistryFolderSource(text);
  if (!source) return std::nullopt;
  std::u16string folder;
  if (RegistryKey key = RegistryKey::Open(RootKey(source->root), W(source->key)))
    if (auto data = key.ReadString(W(source->value))) folder = U(*data);
  if (folder.empty()) {
    ShowError(FormatText(u"Failed to obtain installation path from \"%s\"", {text}));
    return SourcedFolder{{}, kExitFolderSource};
  }
  folder = StripTrailingBackslash(ExpandedVariables(folder));
  if (!FolderExists(folder)) {
    ShowError(FormatText(u"Installation path \"%s\" obtained from \"%s\" does not exist.", {folder, text}));
    return SourcedFolder{{}, kExitFolderSource};
  }
  return SourcedFolder{folder, std::nullopt};
}

// The message of a refusal, offering the old uninstaller where one is registered; the exit code.
int RefuseInstallation(const Refusal& refusal) {
  const InstallContext& c = Context();
  std::u16string message = LanguageText(refusal.text_number);
  if (!refusal.argument.empty()) message = FormatText(message, {refusal.argument});
  if (Silent() || Automatic()) return refusal.exit_code;
  const std::u16string& command = c.existing.uninstall_command;
  if (command.empty()) {
    ShowError(message);
    return refusal.exit_code;
  }
  if (!ShowChoice(message, LanguageText(21), LanguageText(104), LanguageText(49))) return refusal.exit_code;
  const std::u16string line = HandOverCommandLine(command, U(std::wstring(GetCommandLineW())), Silent(), Automatic());
  const LaunchResult started = StartProgram(line);
  if (!started.started) {
    ShowError(FormatText(u"%s\r\n\r\n%s", {line, SystemErrorText(started.error)}));
    return refusal.exit_code;
  }
  return kExitUninstallerStarted;
}

// The checks over an earlier installation in the existing folder; the exit code when the run ends.
std::optional<int> CheckExistingInstallation() {
  InstallContext& c = Context();
  const Settings& s = c.settings;
  ExistingFacts facts;
  facts.force_uninstall = s.ProductFlags & kFlagForceUninstall;
  facts.min_upgrade_version = s.MinUpgradeVersion;
  facts.old_version = c.existing.version_8bit;
  facts.new_version = s.DisplayVersion;
  facts.no_downgrade_below = c.existing.no_downgrade_below;
  if (std::optional<Refusal> refusal = RefuseOverExisting(facts)) return RefuseInstallation(*refusal);

  const KindDecision kind =
      DecideInstallationKind(c.existing.version_8bit, s.DisplayVersion, s.ProductFlags & kFlagCompareVersions);
  c.installation_kind = kind.kind;
  if (!Automatic() && !Silent()) {
    if (!(s.ProductFlags & kFlagNoExistingQuestion)) {
      const std::u16string text =
          LanguageText(kind.text_number) + u"\r\n" + c.existing.location + u"\r\n\r\n" + LanguageText(7);
      if (!ShowChoice(text, LanguageText(2), LanguageText(90), LanguageText(49))) return kExitCancelled;
    }
    if ((s.ProductFlags & kFlagAskBelowOptionVersion) && !c.existing.version_8bit.empty() &&
        (s.OptionText8.empty() || CompareVersions(c.existing.version_8bit, s.OptionText8) < 0) &&
        !ShowQuestion(LanguageText(72), LanguageText(20)))
      return kExitCancelled;
  }
  c.install_dir = c.existing.location;
  return std::nullopt;
}

// The process runs with the administrators group enabled in its token.
bool HasAdminRights() {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                &admins))
    return false;
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, admins, &member)) member = FALSE;
  FreeSid(admins);
  return member != FALSE;
}

// Begins a System Restore point named after the product; the failure text, or nothing on success.
std::optional<std::u16string> BeginRestorePoint(std::int64_t& sequence) {
  const InstallContext& c = Context();
  UniqueModule library = LoadSystemLibrary(L"srclient.dll");
  if (!library) return u"System Restore is not present.";
  using SetRestorePointFn = BOOL(WINAPI*)(PRESTOREPOINTINFOW, PSTATEMGRSTATUS);
  const auto set_point = library.Function<SetRestorePointFn>("SRSetRestorePointW");
  if (!set_point) return u"SRSetRestorePointW is not present.";
  // The restore service calls back into this process; it must be allowed to.
  const HRESULT security = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                                RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr);
  if (FAILED(security) && security != RPC_E_TOO_LATE)
    return u"Failed to initialize COM security: " + SystemErrorText(static_cast<DWORD>(security));

  RESTOREPOINTINFOW info{};
  info.dwEventType = BEGIN_SYSTEM_CHANGE;
  info.dwRestorePtType = APPLICATION_INSTALL;
  std::u16string description = c.settings.DisplayName;
  if (!c.settings.DisplayVersion.empty()) description.append(u" ").append(Cp1252ToUtf16(c.settings.DisplayVersion));
  const std::wstring wide(W(description.substr(0, MAX_DESC_W - 1)));
  wide.copy(info.szDescription, wide.size());
  STATEMGRSTATUS status{};
  const BOOL begun = set_point(&info, &status);
  const DWORD error = GetLastError();
  if (begun) {
    sequence = status.llSequenceNumber;
    return std::nullopt;
  }
  if (status.nStatus == ERROR_SERVICE_DISABLED) return u"System Restore is turned off.";
  // The status says why; a service that reports nothing leaves its reason in the thread's error.
  const DWORD code = status.nStatus ? status.nStatus : error;
  return FormatText(u"Failed, code %u: %s", {static_cast<int>(code), SystemErrorText(code)});
}

void CreateRestorePoint() {
  InstallContext& c = Context();
  if (!(c.header.product_flags2 & kFlags2RestorePoint)) return;
  SetStatusText(97);
  LogText(u"Creating restore point...");
  if (std::optional<std::u16string> failure = BeginRestorePoint(c.restore_point)) {
    LogText(u"FAILED\r\n" + *failure + u"\r\n\r\n");
    // Nothing was begun, so the completion commits nothing.
    c.header.product_flags2 &= ~kFlags2RestorePoint;
  } else {
    LogText(u"OK\r\n");
  }
}

// The steps once the installation folder is settled.
void PrepareMachine(bool new_installation) {
  InstallContext& c = Context();
  Settings& s = c.settings;
  c.install_dir = StripTrailingBackslash(c.install_dir);
  const bool removable = RemovableTarget(c);
  c.required_space = RequiredSpaceOn(c.install_dir);

  // The Start-menu folder's security is loosened only when it names a folder: a relative name would
  // otherwise be taken against the process's current folder.
  if (IsAbsoluteFolder(c.start_menu_folder)) LoosenSecurity(c.start_menu_folder);

  OpenWorkingLog();
  if (!HasAdminRights()) LogText(u"Warning: the installer does not have admin rights.\r\n\r\n");
  CreateRestorePoint();
  SetStatusText(113);
  SetProgress(1);

  if (!s.UninstallerFileName.empty()) c.uninstaller_path = UninstallDataFolder() + u"\\" + s.UninstallerFileName;
  LoosenSecurity(c.install_dir);
  if (!s.UninstallSubdir.empty()) CreateFolderLogged(UninstallDataFolder(), u"uninstall data folder");

  // The shared files' folder is made only for a product with uninstall support; without it the folder
  // is still known, so that shared files never land in the root of the current drive.
  c.shared_dir = removable && !s.FileOptionText.empty() ? c.install_dir + u"\\" + s.FileOptionText : SharedFolder(s);
  if (Registering()) {
    CreateFolderLogged(c.shared_dir, u"shared folder");
    if (s.ProductFlags & kFlagLoosenSharedFolder) LoosenSecurity(c.shared_dir);
  }
  if ((s.ProductFlags & kFlagNoRegistrationOnRemovable) && removable) s.ProductFlags &= ~kFlagUninstaller;

  const PreparationBatches batches =
      ChoosePreparationBatches(c.installation_kind, !new_installation && c.existing.location_exists,
                               c.header.product_flags2 & kFlags2ReinstallBatchForReinstallOnly);
  RunPreInstallBatch();
  if (batches.upgrade) RunUpgradeBatch();
  if (batches.reinstall) RunReinstallBatch();
}

}  // namespace

std::int64_t RequiredSpaceOn(const std::u16string& folder) {
  const InstallContext& c = Context();
  std::int64_t cluster = 0;
  const std::u16string drive = DriveOf(folder);
  DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
  if (!drive.empty() && GetDiskFreeSpaceW(W(drive + u"\\"), &sectors, &bytes, &free_clusters, &clusters))
    cluster = static_cast<std::int64_t>(sectors) * bytes;
  const std::int64_t uninstaller =
      static_cast<std::int64_t>(c.uninstaller_head.empty() ? c.installer_size
                                                           : c.uninstaller_head.size() + c.uninstaller_tail.length);
  return RequiredSpace(c.header.file_sizes, cluster, c.settings.ExtraDiskSpace, uninstaller);
}

std::optional<int> PrepareInstallation() {
  InstallContext& c = Context();
  const Settings& s = c.settings;
  if (c.install_dir.empty()) c.install_dir = c.options.InstallDirOverride;
  if (c.install_dir.empty()) c.install_dir = c.default_install_dir;
  if (c.start_menu_folder.empty()) c.start_menu_folder = s.ProductStartMenu;

  // The earlier installation was looked up at start-up; its registry value is recorded for removal.
  if (Registering() && (c.header.product_flags2 & kFlags2RecordInstallPathValue) && !s.InstallPathRegistry.empty())
    AddUninstallEntry(s.InstallPathRegistry, UninstallEntryKind::kRegistryValue);

  if (!Automatic() && !ShowLicenseAndReadmePages()) return kExitCancelled;
  // The programs of the package's close list: those closed without asking, then those asked about.
  {
    const std::vector<AutoCloseEntry> close = InstallAutoClose(c.lists.CloseProgramList);
    const CloseTexts texts{99, 65};
    if (!CloseRunningPrograms(close, kClosePhaseAutomatic, texts) || !CloseRunningPrograms(close, kClosePhaseAsk, texts))
      return kExitCancelled;
  }

  bool new_installation = true;
  if (std::optional<SourcedFolder> sourced = FolderFromRegistry()) {
    if (sourced->exit_code) return sourced->exit_code;
    c.install_dir = sourced->folder;
  } else if (Registering() && c.existing.location_exists) {
    if (std::optional<int> end = CheckExistingInstallation()) return end;
    new_installation = false;
  } else if (Automatic() || !(s.ProductFlags & kFlagFolderPage)) {
    c.install_dir = StripTrailingBackslash(c.install_dir);
    CreateFolderChain(c.install_dir);
  } else if (!ChooseInstallFolder()) {
    return kExitCancelled;
  }

  if (new_installation) {
    if ((s.ProductFlags & kFlagStartMenuPage) && !Automatic() &&
        (!RemovableTarget(c) || !(c.header.product_flags2 & kFlags2NoStartMenuOnRemovable)) &&
        !ChooseStartMenuFolder())
      return kExitCancelled;
  } else if (!c.existing.start_menu.empty()) {
    c.start_menu_folder = c.existing.start_menu;
  }
  PrepareMachine(new_installation);
  return std::nullopt;
}

}  // namespace mv
