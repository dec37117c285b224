// InstallContext: the runtime's one process-wide record of run options, package contents and run
// state. Only the Windows layer touches it; portable code receives the pieces it needs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "context/run_options.h"
#include "lib/handle_win.h"
#include "package/cipher.h"
#include "package/header.h"
#include "package/lists.h"
#include "package/pe.h"
#include "package/settings.h"

namespace mv {

// What the product's Uninstall key (or the package's registry value) says about an earlier
// installation.
struct ExistingInstallation {
  std::u16string location;
  bool location_exists = false;
  std::u16string version;
  std::string version_8bit;
  std::u16string shared_files;
  std::u16string start_menu;
  std::u16string no_downgrade_below;  // "NoDowngradeBelow"
  std::u16string uninstall_command;   // "QuietUninstallString", else "UninstallString"
};

// The summary page's check boxes as the person left them, for the completion step.
struct SummaryChoices {
  bool launch = false;                // launch the configured program
  bool open_document = false;         // open the configured document
  bool open_second_document = false;  // open the second document
  bool view_log = false;              // view Install.log
};

struct InstallContext {
  // Start-up.
  HINSTANCE instance = nullptr;
  RunOptions options;
  std::wstring exe_path;
  std::uint64_t session = 0;
  HICON large_icon = nullptr;
  HICON small_icon = nullptr;
  HWND background_window = nullptr;
  HWND progress_window = nullptr;
  int language = 0;
  bool ole_initialized = false;
  bool sockets_started = false;
  std::string host_name;
  struct {
    int dpi_x = 96, dpi_y = 96, colour_depth = 32;
    RECT work_area{};
  } screen;
  struct {
    UniqueModule rasapi, gdiplus, comctl32, winmm;
  } modules;
  ULONG_PTR gdiplus_token = 0;
  void* set_window_subclass = nullptr;  // comctl32 functions, when present
  void* def_subclass_proc = nullptr;
  // Whether start-up messages are shown in automatic mode (a package option).
  bool messages_in_automatic_mode = false;

  // The package.
  SectionInfo section;
  PackageHeader header;
  std::unique_ptr<Blowfish> cipher;  // keyed once from the header key when the package is enciphered
  std::span<const std::uint8_t> mapped_section;  // the section as the loader mapped it
  Bytes settings_stream;                        // the decoded settings block
  Settings settings;
  std::u16string default_install_dir;  // placed under the machine's folders

  std::uint64_t installer_size = 0;
  FileRange certificate_table;  // the Authenticode certificate table; empty when unsigned

  // The uninstaller without the package section: `uninstaller_head` followed by the installer's
  // bytes in `uninstaller_tail`, which are copied from the file in portions when the uninstaller is
  // written. The head is empty when the installer file is copied unchanged (then only its size is
  // kept).
  Bytes uninstaller_head;
  FileRange uninstaller_tail;

  // The record lists and the texts of every language.
  Lists lists;

  // Start-up checks.
  UniqueHandle instance_mutex;  // held for the whole run
  ExistingInstallation existing;

  // The installation as the wizard and its preparation settle it; empty (0) until then. The
  // variables read these afresh at every expansion.
  std::u16string install_dir;        // the chosen installation folder; empty: default_install_dir
  int installation_kind = 0;         // 0 new, 1 reinstallation, 2 upgrade, 3 downgrade
  std::u16string start_menu_folder;  // the Start-menu folder chosen in the wizard
  std::u16string shared_dir;         // the folder of shared files
  std::u16string uninstaller_path;   // where the uninstaller is copied
  std::int64_t required_space = 0;   // bytes the files need on the installation folder's drive
  std::int64_t restore_point = 0;    // the sequence number of the restore point begun, for its commit
  SummaryChoices summary;            // set when the summary page closes

  // Run state the end of the run reports: a write failed because the disk was full (exit 17).
  bool disk_full = false;
};

InstallContext& Context();

// The installation folder: the one chosen in the wizard, else the default.
const std::u16string& InstallDir(const InstallContext& c);

// Whether the installation folder lies on a removable, optical or RAM-disk drive.
bool RemovableTarget(const InstallContext& c);

// Text number n of the current language; empty when there is none (the caller then uses its
// built-in default).
std::u16string LanguageText(int n);

}  // namespace mv
