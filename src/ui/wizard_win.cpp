#include "lib/folder_win.h"
#include "ui/wizard_win.h"

#include "engine/preinstallation_rules.h"

#include <windows.h>

#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "context/install_context_win.h"
#include "context/prompt.h"
#include "context/wizard_pages.h"
#include "engine/preinstallation_win.h"
#include "lib/folder_rules.h"
#include "lib/special_folders_win.h"
#include "lib/temp_file_win.h"
#include "lib/wide_win.h"
#include "ui/message_box_win.h"
#include "ui/wizard_pages_win.h"

namespace mv {

namespace {

constexpr std::uint64_t kFlagConfirmFolder = 1ull << 31;
constexpr std::uint64_t kFlagRefuseNetwork = 1ull << 37;
constexpr std::uint64_t kFlagSkipGreeting = 1ull << 43;
constexpr std::uint64_t kFlagRefuseRemovable = 1ull << 55;
constexpr std::uint32_t kFlags2AsciiFolder = 1u << 16;

std::u16string DriveRoot(const std::u16string& drive) { return drive + u"\\"; }

FolderCheckFacts GatherFolderFacts(const std::u16string& folder) {
  const InstallContext& c = Context();
  FolderCheckFacts f;
  for (SpecialFolder s : {SpecialFolder::kCommonDesktop, SpecialFolder::kDesktop, SpecialFolder::kCommonStartMenu,
                          SpecialFolder::kStartMenu, SpecialFolder::kProfile})
    if (std::u16string p = GetSpecialFolder(s); !p.empty()) f.protected_folders.push_back(std::move(p));
  const std::u16string drive = DriveOf(folder);
  if (!drive.empty()) {
    f.drive_type = GetDriveTypeW(W(DriveRoot(drive)));
    DWORD volume_flags = 0;
    // Only an existing drive with a medium in it answers for its volume.
    const bool ready = f.drive_type > DRIVE_NO_ROOT_DIR &&
                       GetVolumeInformationW(W(DriveRoot(drive)), nullptr, 0, nullptr, nullptr, &volume_flags, nullptr, 0);
    f.drive_exists = ready;
    f.read_only_volume = ready && (volume_flags & FILE_READ_ONLY_VOLUME);
  }
  f.program_files = ProgramFilesFolder(false);
  f.program_files_64 = ProgramFilesFolder(true);
  f.refuse_network = c.settings.ProductFlags & kFlagRefuseNetwork;
  f.refuse_removable = c.settings.ProductFlags & kFlagRefuseRemovable;
  f.ascii_only = c.header.product_flags2 & kFlags2AsciiFolder;
  return f;
}

// Creates `folder` and every missing folder above it; the system error of the failure, else 0.
DWORD CreateFolderTree(const std::u16string& folder) {
  if (FolderExists(folder)) return 0;
  const std::u16string parent = FolderOf(folder);
  if (!parent.empty() && parent != folder && parent.size() < folder.size()) {
    if (DWORD e = CreateFolderTree(StripTrailingBackslash(parent))) return e;
  }
  if (CreateDirectoryW(W(folder), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  return GetLastError();
}

// Whether a new file can be written into `folder`: one is created there under a new name and
// deleted again when its handle closes.
bool CanWriteInto(const std::u16string& folder) {
  TempFileAccess how;
  how.attributes = FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE;
  CreatedTempFile test = CreateTempFile(folder, u"tmp", how);
  // CreateTempFile falls back to other folders; only a file in this one counts.
  return !test.path.empty() && EqualsIgnoreAsciiCase(StripTrailingBackslash(FolderOf(test.path)), folder);
}

}  // namespace

std::int64_t FreeSpaceOn(const std::u16string& drive) {
  ULARGE_INTEGER available{};
  if (drive.empty() || !GetDiskFreeSpaceExW(W(DriveRoot(drive)), &available, nullptr, nullptr)) return 0;
  return available.QuadPart > 0x7FFFFFFFFFFFFFFFull ? 0x7FFFFFFFFFFFFFFFll : static_cast<std::int64_t>(available.QuadPart);
}

bool ChooseLanguage() {
  InstallContext& c = Context();
  c.language = DefaultLanguage(c.lists);
  if (c.lists.Languages.size() > 1 && !c.options.AutomaticMode) return ShowLanguagePage();
  return true;
}

bool AcceptFolder() {
  InstallContext& c = Context();
  const std::u16string folder = TrimFolderText(c.install_dir);
  if (folder.empty()) return false;
  if (auto refusal = RefuseFolder(folder, GatherFolderFacts(folder))) {
    ShowError(FolderMessage(*refusal, LanguageText(refusal->text_number)));
    return false;
  }
  const std::u16string drive = DriveOf(folder);
  if (!c.options.AutomaticMode && !drive.empty()) {
    const std::int64_t needed = RequiredSpaceOn(folder), free = FreeSpaceOn(drive);
    if (free < needed &&
        !ShowQuestion(FormatText(LanguageText(19), {SizeText(needed), drive, SizeText(free)}), LanguageText(20)))
      return false;
  }
  const bool exists = FolderExists(folder);
  if (c.settings.ProductFlags & kFlagConfirmFolder) {
    const std::u16string other = LanguageText(117);
    MessageBoxSpec spec = InstallationBoxSpec({{u"OK", 1}, {other.empty() ? u"Cancel" : other, 2}});
    const std::u16string text = FormatText(LanguageText(exists ? 22 : 23), {folder});
    if (ShowMessageBox(c.background_window, text, LanguageText(24), kPromptIconQuestion, spec) != 1) return false;
  }
  if (!exists) {
    if (DWORD error = CreateFolderTree(folder)) {
      ShowError(LanguageText(25) + u"\r\n" + folder + u"\r\n\r\n" + SystemErrorText(error));
      return false;
    }
  }
  if (!CanWriteInto(folder)) {
    ShowError(FormatText(LanguageText(73), {folder}));
    return false;
  }
  c.install_dir = folder;
  return true;
}

bool RunWizardPages() {
  InstallContext& c = Context();
  const Settings& s = c.settings;
  const bool automatic = c.options.AutomaticMode;
  if (!automatic && !(s.ProductFlags & kFlagSkipGreeting) && !ShowGreetingPage()) return false;
  if (!s.InstallPassword.empty()) {
    // A silent run cannot be asked for the password: it ends as cancelled rather than install
    // without it.
    if (c.options.SilentMode || !ShowPasswordPage()) return false;
  }
  return true;
}

namespace {

class PreparationPages : public WizardPages {
 public:
  bool ShowLicenseAndReadme() override {
    const Settings& s = Context().settings;
    for (const PageText& text : PageTexts(s.LicenseFiles, LanguageText(63)))
      if (!ShowTextPage(TextKind::kLicense, text)) return false;
    for (const PageText& text : PageTexts(s.ReadmeFiles, LanguageText(64)))
      if (!ShowTextPage(TextKind::kReadme, text)) return false;
    return true;
  }
  bool ChooseFolder() override {
    do {
      if (!ShowFolderPage()) return false;
    } while (!AcceptFolder());
    return true;
  }
  bool ChooseStartMenuFolder() override { return ShowStartMenuPage(); }
};

}  // namespace

void InstallPreparationPages() { SetWizardPages(std::make_unique<PreparationPages>()); }

}  // namespace mv
