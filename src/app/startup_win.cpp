#include "app/startup_win.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "app/exit_win.h"
#include "context/install_context_win.h"
#include "app/integrity_win.h"
#include "ui/background_win.h"
#include "ui/wizard_pages_win.h"
#include "ui/wizard_win.h"
#include "app/startup_checks_win.h"
#include "app/startup_rules.h"
#include "base/codepage.h"
#include "base/format.h"
#include "base/text.h"
#include "engine/installation_win.h"
#include "engine/preinstallation_win.h"
#include "lib/os_info_win.h"
#include "lib/special_folders_win.h"
#include "lib/wide_win.h"
#include "lib/handle_win.h"
#include "lib/read_at_win.h"
#include "package/corrupt.h"
#include "package/data_block.h"
#include "package/package_builder.h"
#include "app/install_dir.h"
#include "package/lists.h"
#include "package/pe.h"
#include "package/settings.h"
#include "records/deferred_ops_win.h"
#include "records/install_log_win.h"
#include "records/uninstall_data_win.h"
#include "vars/batch_win.h"
#include "vars/expand_win.h"

namespace mv {

namespace {

// The installer's own file, opened for reading with every sharing mode.
UniqueHandle OpenOwnFile(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    DWORD error = GetLastError();
    FatalError(FormatText(u"Error code 1: The installer could not open itself.\r\nFilename: %s\r\nError #%d: %s",
                          {U(path), static_cast<int>(error), SystemErrorText(error)}));
  }
  return file;
}

// The start of the file: up to `size` bytes, fewer when the file is shorter (the PE checks then
// refuse what is missing).
Bytes ReadFileHead(HANDLE file, std::size_t size) {
  Bytes head(size);
  if (!ReadFileAt(file, 0, head)) head.clear();
  return head;
}

// The machine's folders that place the default installation folder, from the special-folder lookups
// (shell, registry, then their fallbacks), never from the environment alone.
FolderFacts MachineFolders() {
  FolderFacts facts;
  facts.windows = WindowsFolder();
  facts.program_files = ProgramFilesFolder(false);
  facts.program_files_64 = ProgramFilesFolder(true);
  return facts;
}

// The section as the loader mapped it: at most the readable, committed memory from the image base
// plus the virtual address, so that a damaged section table can never make the reader fault.
std::span<const std::uint8_t> MappedSection(const SectionInfo& section) {
  auto* base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleW(nullptr));
  const std::uint8_t* start = base + section.virtual_address;
  std::size_t readable = 0;
  while (readable < section.raw_size) {
    MEMORY_BASIC_INFORMATION info{};
    if (!VirtualQuery(start + readable, &info, sizeof info) || info.State != MEM_COMMIT ||
        (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) || info.AllocationBase != base)
      break;
    const auto* region_end = static_cast<const std::uint8_t*>(info.BaseAddress) + info.RegionSize;
    readable = static_cast<std::size_t>(region_end - start);
  }
  return {start, std::min<std::size_t>(readable, section.raw_size)};
}

void ReadPackage(HANDLE file) {
  InstallContext& c = Context();
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  c.installer_size = static_cast<std::uint64_t>(size.QuadPart);

  Bytes head = ReadFileHead(file, std::min<std::uint64_t>(kMaxPeHeadSize, c.installer_size));
  c.section = LocateSection(head);
  c.certificate_table = FindCertificateTable(head, c.section.header_offset, c.installer_size);
  LARGE_INTEGER offset{};
  offset.QuadPart = c.section.raw_offset;
  if (!SetFilePointerEx(file, offset, nullptr, FILE_BEGIN)) CorruptInstaller(10, true);

  c.mapped_section = MappedSection(c.section);
  c.header = ParseHeader(c.mapped_section);
  if (c.header.Enciphered()) c.cipher = std::make_unique<Blowfish>(*c.header.blowfish_key);
  c.settings_stream = DecodeSettingsBlock(c.mapped_section, c.header, c.cipher.get());

  PackageReader reader(c.settings_stream);
  Settings stored = ReadSettings(reader, c.header.product_flags2, c.options.SilentMode, [&](const Settings& early) {
    // The background window, from the settings read so far (its look is completed once every
    // setting and text is known). Silent mode has set bit 29 already.
    if (!c.options.SilentMode && !(early.ProductFlags & kFlagNoBackgroundWindow)) {
      c.settings = early;
      c.background_window = CreateBackgroundWindow(c.options.MinimizedBackground);
    }
    CheckSettingsCrc(c.settings_stream, c.header);
  });
  // The name from the command line stands for the package's everywhere, defaults included.
  if (!c.options.ProductNameOverride.empty()) stored.DisplayName = c.options.ProductNameOverride;
  c.settings = EffectiveSettings(stored, c.header.product_flags2);
  c.lists = ReadLists(reader);
  c.options.AutomaticMode =
      EffectiveAutomaticMode(c.settings.AutomaticDefault, c.options.AutomaticMode, c.options.SilentMode);
  c.header.product_flags2 = StartupProductFlags2(c.header.product_flags2, GetOsInfo());
  c.messages_in_automatic_mode = (c.settings.ProductFlags >> 35) & 1;
  c.default_install_dir = PlaceDefaultInstallDir(c.settings.DefaultInstallDir, MachineFolders(), c.settings.Bitness,
                                                 ExpandedVariables);
}

// The wizard's greeting and password pages; a cancelled page ends the run with exit code 12. The
// preparation shows the pages that follow.
void RunWizard() {
  if (!RunWizardPages()) CancelInstaller(kExitCancelled);
}

}  // namespace

void RunInstallMode() {
  InstallContext& c = Context();
  ClearUninstallData();
  UniqueHandle file = OpenOwnFile(c.exe_path);
  try {
    ReadPackage(file.get());
    ReplacePlaceholders(c.settings.HeaderTitle);

    // Start-up checks, in their order.
    CheckApproval();
    CheckInstallerFile(file.get());
    if (!ChooseLanguage()) CancelInstaller(kExitCancelled);
    if (std::u16string title = LanguageText(114); !title.empty()) c.settings.HeaderTitle = title;
    UpdateBackgroundWindow(c.background_window);
    RunStartupChecks();
    RunWizard();
    if (std::optional<int> end = PrepareInstallation()) {
      if (*end == kExitCancelled) CancelInstaller(*end);
      ExitInstaller(*end);
    }
    ExitInstaller(RunMinimalInstallation(file.get()));
  } catch (const CorruptPackage& e) {
    CorruptInstaller(e.code());
  } catch (const FatalPackageError& e) {
    FatalError(Cp1252ToUtf16(e.what()));
  }
  ExitInstaller(kExitSuccess);
}

}  // namespace mv
