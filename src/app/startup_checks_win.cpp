#include "app/startup_checks_win.h"

#include <windows.h>
#include <mmsystem.h>

#include "app/exit_win.h"
#include "context/install_context_win.h"
#include "context/prompt.h"
#include "ui/message_box_win.h"
#include "base/codepage.h"
#include "base/format.h"
#include "lib/wide_win.h"
#include "lib/native_file_view_win.h"
#include "lib/os_info_win.h"
#include "lib/registry_key_win.h"
#include "lib/system_library_win.h"
#include "lib/os_version.h"
#include "lib/folder_rules.h"
#include "lib/registry_path.h"
#include "vars/expand_win.h"
#include "app/startup_rules.h"

namespace mv {

namespace {

constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr std::size_t kMaxLocation = 4096;

// A language text, or `fallback` when the package leaves it empty.
std::u16string TextOr(int n, const char16_t* fallback) {
  std::u16string text = LanguageText(n);
  return text.empty() ? std::u16string(fallback) : text;
}

[[noreturn]] void Stop(const std::u16string& message, int code) {
  ShowError(message);
  ExitInstaller(code);
}

}  // namespace

void CheckApproval() {
  const Settings& s = Context().settings;
  if (s.BlockedStatus == 0 && s.ApprovedStatus == 0) return;  // the start notification goes with the network client
  // The request is made here once the network client exists; until then no status can be obtained,
  // and the decision is taken as for a server that cannot be reached.
  const std::int32_t status = 0;
  switch (DecideApproval(s.BlockedStatus, s.ApprovedStatus, status)) {
    case ApprovalVerdict::kProceed:
      return;
    case ApprovalVerdict::kBlocked:
      ShowMessage(u"The installation was blocked by " + s.Publisher + u".", u"Error", MB_OK | MB_ICONERROR);
      ExitInstaller(kExitBlocked);
    case ApprovalVerdict::kNotApproved:
      ShowMessage(FormatText(u"The installation could not be approved by %s.  Status code %d.", {s.Publisher, status}),
                  u"Error", MB_OK | MB_ICONERROR);
      ExitInstaller(kExitNotApproved);
  }
}

namespace {

void CheckBitness() {
  InstallContext& c = Context();
  if (int needed = BitnessMismatch(c.settings.Bitness, Is64Bit(GetOsInfo())))
    Stop(FormatText(TextOr(81, u"This product needs %d-bit Windows."), {needed}), kExitWrongWindows);
  // A 64-bit product's files go through the native file view; a system that cannot give it ends the
  // run here rather than put the files in the 32-bit folders.
  if (c.settings.Bitness == 1 && !NativeFileView(true).active()) FatalError(u"Wow64DisableWow64FsRedirection() failed");
}

void CheckExcludedWindows() {
  const OsInfo& os = GetOsInfo();
  if (Context().settings.ExcludedWindows & OsBit(os))
    Stop(FormatText(TextOr(61, u"This product cannot be installed on %s."), {Cp1252ToUtf16(OsText(os, 11))}),
         kExitWrongWindows);
}

// The prerequisite product's Uninstall key in the 64-bit view, then the 32-bit one; only a key with
// an uninstall string counts.
std::optional<PrerequisiteFound> FindProduct(const std::u16string& key_name) {
  std::wstring path = std::wstring(kUninstallRoot) + L"\\" + std::wstring(W(key_name));
  for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    RegistryKey key = RegistryKey::Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ, view);
    if (!key || !(key.HasValue(L"UninstallString") || key.HasValue(L"QuietUninstallString"))) continue;
    PrerequisiteFound found;
    if (auto location = key.ReadString(L"InstallLocation", kMaxLocation)) found.install_location = NormaliseFolder(U(*location));
    if (auto version = key.ReadString(L"DisplayVersion")) found.display_version = Utf16ToCp1252(U(*version));
    return found;
  }
  return std::nullopt;
}

void CheckPrerequisiteProduct() {
  InstallContext& c = Context();
  if (!(c.settings.ProductFlags & kFlagMasterProduct)) return;
  const Settings& s = c.settings;  // the key and name already default to the product name
  bool master_dir = s.DefaultInstallDir == u"<master>";
  std::optional<PrerequisiteFound> found = FindProduct(s.MasterProductKey);
  switch (CheckPrerequisite(found, s.MasterMinVersion, master_dir)) {
    case PrerequisiteVerdict::kMissing:
      Stop(FormatText(TextOr(12, u"%s must be installed first."), {s.MasterProductName}), kExitPrerequisite);
    case PrerequisiteVerdict::kTooOld:
      Stop(FormatText(TextOr(112, u"%s %s or later must be installed first."),
                      {s.MasterProductName, Cp1252ToUtf16(s.MasterMinVersion)}),
           kExitPrerequisite);
    case PrerequisiteVerdict::kSatisfied:
      break;
  }
  if (master_dir) c.default_install_dir = found->install_location;
}

void TakeSingleInstanceMutex() {
  InstallContext& c = Context();
  if (!(c.settings.ProductFlags & kFlagSingleInstance)) return;
  c.instance_mutex.reset(CreateMutexW(nullptr, FALSE, L"Marevault QMS"));
  DWORD taken = c.instance_mutex ? WaitForSingleObject(c.instance_mutex.get(), 0) : WAIT_FAILED;
  if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED)
    Stop(TextOr(91, u"Another installation is already running."), kExitAlreadyRunning);
}

void LookUpExistingInstallation() {
  InstallContext& c = Context();
  if (!(c.settings.ProductFlags & kFlagUninstaller)) return;
  ExistingInstallation& e = c.existing;
  std::wstring path = std::wstring(kUninstallRoot) + L"\\" + std::wstring(W(c.settings.UninstallKeyName));
  // The 32-bit view, where this installer registers its products.
  if (RegistryKey key = RegistryKey::Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ, KEY_WOW64_32KEY)) {
    if (auto location = key.ReadString(L"InstallLocation", kMaxLocation)) e.location = ExpandEnvironment(U(*location));
    if (auto version = key.ReadString(L"DisplayVersion")) {
      e.version = U(*version);
      e.version_8bit = Utf16ToCp1252(e.version);
    }
    if (auto shared = key.ReadString(L"SharedFiles")) e.shared_files = U(*shared);
    if (auto menu = key.ReadString(L"ProductStartMenu")) e.start_menu = ExpandEnvironment(U(*menu));
    if (auto barrier = key.ReadString(L"NoDowngradeBelow")) e.no_downgrade_below = U(*barrier);
    if (auto quiet = key.ReadString(L"QuietUninstallString"); quiet && !quiet->empty())
      e.uninstall_command = U(*quiet);
    else if (auto command = key.ReadString(L"UninstallString"))
      e.uninstall_command = U(*command);
  }
  if (e.location.empty() && !c.settings.InstallPathRegistry.empty()) {
    // A registry path whose last element names the value; read from the 64-bit view.
    RegistryValuePath where = SplitRegistryValuePath(c.settings.InstallPathRegistry);
    std::optional<RegistryPath> key_path = ParseRegistryPath(where.key);
    if (HKEY root = key_path ? RootKey(key_path->root) : nullptr) {
      RegistryKey key = RegistryKey::Open(root, W(key_path->subkey), KEY_READ, KEY_WOW64_64KEY);
      if (auto location = key.ReadString(W(where.value), kMaxLocation)) e.location = U(*location);
    }
    // With ProductFlags2 bit 13 the preparation enters the value in the uninstall data.
  }
  e.location = NormaliseFolder(e.location);
  DWORD attributes = e.location.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(W(e.location));
  e.location_exists = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void PlayStartupSound() {
  InstallContext& c = Context();
  if (c.options.AutomaticMode || c.settings.StartupSound.empty()) return;
  c.modules.winmm = LoadSystemLibrary(L"winmm.dll");
  using PlaySoundFn = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);
  if (auto play = c.modules.winmm.Function<PlaySoundFn>("PlaySoundW"))
    play(reinterpret_cast<LPCWSTR>(c.settings.StartupSound.data()), nullptr,
         SND_MEMORY | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP);
}

}  // namespace

void RunStartupChecks() {
  CheckBitness();
  CheckExcludedWindows();
  CheckPrerequisiteProduct();
  TakeSingleInstanceMutex();
  LookUpExistingInstallation();
  PlayStartupSound();
}

}  // namespace mv
