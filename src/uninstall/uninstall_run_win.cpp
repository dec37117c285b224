// The uninstall run: the product key, Uninstall.dat, the questions, then the removal step by step.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <oleauto.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "context/exit_code.h"
#include "context/install_context_win.h"
#include "context/progress.h"
#include "context/prompt.h"
#include "engine/close_programs.h"
#include "engine/close_programs_win.h"
#include "engine/firewall_win.h"
#include "engine/registry_entries_win.h"
#include "lib/fatal.h"
#include "lib/file_object_win.h"
#include "lib/folder_win.h"
#include "lib/handle_win.h"
#include "lib/launch_win.h"
#include "lib/registry_key_win.h"
#include "lib/registry_path.h"
#include "lib/registry_paths_win.h"
#include "lib/shell_link_win.h"
#include "lib/special_folders_win.h"
#include "lib/system_library_win.h"
#include "lib/atomic_file_win.h"
#include "lib/wide_win.h"
#include "records/deferred_ops_win.h"
#include "records/install_log_win.h"
#include "records/uninstall_data.h"
#include "records/uninstall_file.h"
#include "ui/background_win.h"
#include "ui/gdi_win.h"
#include "ui/message_box.h"
#include "uninstall/self_removal_win.h"
#include "uninstall/tree_delete_win.h"
#include "uninstall/uninstall_look.h"
#include "uninstall/uninstall_rules.h"
#include "uninstall/uninstall_run.h"
#include "vars/batch_win.h"
#include "vars/expand_win.h"

namespace mv {
namespace {

constexpr char16_t kUninstallRoot[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// What the product key says, with the defaults of missing values.
struct Product {
  std::u16string name;  // the /u name
  std::u16string key_path;
  RegistryKey key;
  std::u16string feedback_url, display_name, install_location, display_version, uninstall_subdir;
  std::u16string add_to_path_subfolder, product_fonts, support_offer, shared_path, product_start_menu;
  std::u16string shared_files, product_registry;
  std::uint64_t flags = 0;
  std::uint32_t flags2 = 0;
  std::uint32_t bitness = 0, uninstall_fonts = 2, uninstall_shared = 2, shortcut_mode = 0;
  bool automatic = false;
  std::u16string Folder() const {
    return uninstall_subdir.empty() ? install_location : JoinPath(install_location, uninstall_subdir);
  }
  REGSAM RegistryView() const { return (flags & kUninstallRegistry64) ? KEY_WOW64_64KEY : 0; }
};

// A text value; nothing when it is missing or not text.
std::optional<std::u16string> QueryText(HKEY key, const wchar_t* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
    return std::nullopt;
  buffer.resize(wcsnlen(buffer.c_str(), buffer.size()));
  return U(buffer);
}

std::u16string ReadText(HKEY key, const wchar_t* name) { return QueryText(key, name).value_or(std::u16string()); }

// A number written as a DWORD or as decimal text; nothing when it is missing or empty.
std::optional<std::uint32_t> QueryNumber(HKEY key, const wchar_t* name) {
  DWORD type = 0, value = 0, size = sizeof(value);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
      type == REG_DWORD)
    return value;
  const std::u16string text = ReadText(key, name);
  if (text.empty()) return std::nullopt;
  return static_cast<std::uint32_t>(ParseProductFlags(text));
}

std::uint32_t ReadNumber(HKEY key, const wchar_t* name, std::uint32_t fallback) {
  return QueryNumber(key, name).value_or(fallback);
}

// A whole file's bytes; the system's error code when it cannot be opened.
DWORD ReadWholeFile(const std::u16string& path, std::string& bytes) {
  UniqueHandle file(CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file || file.get() == INVALID_HANDLE_VALUE) return GetLastError();
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  return ERROR_SUCCESS;
}

void DeleteProductValue(Product& p, const wchar_t* name) { RegDeleteValueW(p.key.get(), name); }

void ShowRunError(std::u16string_view format, const std::vector<FormatArg>& args) {
  ShowError(FormatText(format, args));
}

// The look of the background window and the dialogs, as during the installation. The dialog-colour
// bit of the flags is cleared when the colours give no brush.
void ReadLook(Product& p) {
  InstallContext& c = Context();
  const HKEY k = p.key.get();
  const ProductKeyReader reader{
      [k](std::u16string_view name) { return QueryText(k, W(std::u16string(name))); },
      [k](std::u16string_view name) { return QueryNumber(k, W(std::u16string(name))); }};
  c.settings.ProductFlags = p.flags;
  c.header.product_flags2 = p.flags2;
  ReadUninstallLook(reader, {GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)}, p.flags2, c.settings);
  p.flags = c.settings.ProductFlags;
  if (p.flags & kFlagBackgroundPicture) {
    std::string picture;
    if (ReadWholeFile(JoinPath(p.Folder(), u"Installer Background.bmp"), picture) == ERROR_SUCCESS)
      c.settings.BackgroundBitmap.assign(picture.begin(), picture.end());
  }
}

// The product icon "uninstall.ico" of the uninstall-data folder, the icon of every window while the
// run lasts; the runtime's own icons come back at its end.
class ProductIcons {
 public:
  explicit ProductIcons(const std::u16string& folder) {
    const std::u16string path = JoinPath(folder, u"uninstall.ico");
    auto load = [&](int cx, int cy) {
      return UniqueIcon(static_cast<HICON>(
          LoadImageW(nullptr, W(path), IMAGE_ICON, GetSystemMetrics(cx), GetSystemMetrics(cy), LR_LOADFROMFILE)));
    };
    large_ = load(SM_CXICON, SM_CYICON);
    small_ = load(SM_CXSMICON, SM_CYSMICON);
    InstallContext& c = Context();
    if (large_.get()) c.large_icon = large_.get();
    if (small_.get()) c.small_icon = small_.get();
  }
  ProductIcons(const ProductIcons&) = delete;
  ProductIcons& operator=(const ProductIcons&) = delete;
  ~ProductIcons() {
    InstallContext& c = Context();
    c.large_icon = previous_large_;
    c.small_icon = previous_small_;
  }

 private:
  HICON previous_large_ = Context().large_icon, previous_small_ = Context().small_icon;
  UniqueIcon large_, small_;
};

// Step 4: the background window, destroyed when the run ends.
class BackgroundWindow {
 public:
  explicit BackgroundWindow(bool shown) {
    if (shown) Context().background_window = CreateBackgroundWindow(Context().options.MinimizedBackground);
  }
  BackgroundWindow(const BackgroundWindow&) = delete;
  BackgroundWindow& operator=(const BackgroundWindow&) = delete;
  ~BackgroundWindow() {
    HWND& window = Context().background_window;
    if (!window) return;
    DestroyWindow(window);
    window = nullptr;
  }
};

// Steps 1 to 3: the product key and its values. Nothing when the run ends, with the exit code.
std::optional<int> OpenProduct(Product& p) {
  p.key_path = std::u16string(kUninstallRoot) + p.name;
  // Only whether the key opens with full access counts; the probe is closed at once.
  const LONG probed = [&] {
    HKEY probe = nullptr;
    const LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(p.key_path), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &probe);
    const RegistryKey opened(result == ERROR_SUCCESS ? probe : nullptr);
    return result;
  }();
  if (probed == ERROR_ACCESS_DENIED) {
    ShowError(u"Permission denied.  Please run the uninstaller with administrator rights.");
    return 13;
  }
  if (probed != ERROR_SUCCESS) {
    ShowRunError(u"No product named '%s' is installed.", {p.name});
    return 13;
  }
  p.key = RegistryKey::Open(HKEY_LOCAL_MACHINE, W(p.key_path),
                            KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS, KEY_WOW64_32KEY);
  if (!p.key) {
    ShowRunError(u"Unable to access the uninstall information for:\r\n%s\r\n\r\nThe uninstallation cannot be performed.",
                 {p.name});
    return 13;
  }
  const HKEY k = p.key.get();
  p.feedback_url = ReadText(k, L"FeedbackURL");
  p.display_name = ReadText(k, L"DisplayName");
  if (p.display_name.empty()) p.display_name = p.name;
  p.install_location = StripTrailingBackslash(ReadText(k, L"InstallLocation"));
  p.flags = ParseProductFlags(ReadText(k, L"ProductFlags"));
  p.flags2 = ReadNumber(k, L"ProductFlags2", 0);
  p.bitness = ReadNumber(k, L"Bitness", 0);
  p.display_version = ReadText(k, L"DisplayVersion");
  p.uninstall_subdir = ReadText(k, L"UninstallSubdir");
  p.add_to_path_subfolder = ReadText(k, L"AddToPathSubfolder");
  p.product_fonts = ReadText(k, L"ProductFonts");
  p.uninstall_fonts = ReadNumber(k, L"UninstallFonts", 2);
  p.uninstall_shared = ReadNumber(k, L"UninstallShared", 2);
  p.shortcut_mode = ReadNumber(k, L"ShortcutMode", 0);
  p.support_offer = ReadText(k, L"SupportOffer");
  p.shared_files = ReadText(k, L"SharedFiles");
  p.product_registry = ReadText(k, L"ProductRegistry");
  // Kept for the uninstall notification, which is sent after the key is gone.
  Context().settings.NotifyURL = ToCodePage(CP_ACP, ReadText(k, L"NotifyURL"));

  InstallContext& c = Context();
  if (p.install_location.empty()) {
    ShowRunError(u"The uninstall information for %s is corrupt.\r\n\r\nThe uninstallation cannot be performed.",
                 {p.display_name});
    return 14;
  }
  ReadLook(p);
  if (p.flags & kUninstallAutomatic) c.options.AutomaticMode = true;
  c.messages_in_automatic_mode = (p.flags & kUninstallErrorsWhenAutomatic) != 0;
  p.automatic = c.options.AutomaticMode;
  c.install_dir = p.install_location;
  return std::nullopt;
}

// Steps 5 and 6: Uninstall.dat into the lists.
std::optional<int> LoadLists(const Product& p, UninstallLists& lists) {
  const std::u16string path = JoinPath(p.Folder(), u"Uninstall.dat");
  std::string bytes;
  DWORD error = ReadWholeFile(path, bytes);
  UninstallFileResult read;
  if (error == ERROR_SUCCESS) {
    read = ReadUninstallFile(bytes);
    if (!read.ok) error = ERROR_INVALID_DATA;
  }
  if (error != ERROR_SUCCESS) {
    ShowRunError(u"The uninstall information for %s could not be loaded.\r\n\r\nFilepath: %s\r\nCode %d: %s",
                 {p.display_name, path, static_cast<long long>(error), SystemErrorText(error)});
    return 14;
  }
  lists = MakeUninstallLists(read.file);
  Context().lists.Languages = {UninstallLanguage(lists.strings)};
  Context().language = 0;
  return std::nullopt;
}

// A key path "\HKLM\..." as root and sub-key; the every-user root gives every user hive.
void ForEachKey(std::u16string_view path, const std::function<void(HKEY root, const std::u16string& subkey)>& act) {
  const std::optional<RegistryPath> parsed = ParseRegistryPath(path);
  if (!parsed) return;
  if (parsed->root != RegistryRoot::kAllUsers) {
    if (HKEY root = RootKey(parsed->root)) act(root, parsed->subkey);
    return;
  }
  for (const std::wstring& name : UserHives()) {
    const std::u16string hive = U(name);
    act(HKEY_USERS, parsed->subkey.empty() ? hive : hive + u"\\" + parsed->subkey);
  }
}

bool DeleteKeyTree(HKEY root, const std::u16string& subkey, REGSAM view) {
  if (subkey.empty()) return false;  // never a whole root
  {
    const RegistryKey key = RegistryKey::Open(root, W(subkey), KEY_ALL_ACCESS, view);
    if (!key) return false;
    RegDeleteTreeW(key.get(), nullptr);
  }
  return RegDeleteKeyExW(root, W(subkey), view, 0) == ERROR_SUCCESS;
}

// A key that is not there has nothing in it: an identifier key that an earlier association of the
// same identifier already removed must not keep this association's extension key alive. A key that
// exists but cannot be read counts as holding something.
bool KeyHasSubkeysOrValues(HKEY root, const std::u16string& subkey, REGSAM view, bool values_count) {
  HKEY opened = nullptr;
  const LONG error = RegOpenKeyExW(root, W(subkey), 0, KEY_READ | view, &opened);
  const RegistryKey key(error == ERROR_SUCCESS ? opened : nullptr);
  if (!key) return error != ERROR_FILE_NOT_FOUND;
  DWORD subkeys = 0, values = 0;
  RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  return subkeys > 0 || (values_count && values > 0);
}

bool DeleteEmptyKey(HKEY root, const std::u16string& subkey, REGSAM view) {
  if (subkey.empty() || KeyHasSubkeysOrValues(root, subkey, view, true)) return false;
  return RegDeleteKeyExW(root, W(subkey), view, 0) == ERROR_SUCCESS;
}

// Step 13: the file associations, restored from their backups where the installation kept one.
void RemoveAssociations(const Product& p, const std::vector<UndoAssociation>& associations) {
  SetStatusText(70);
  SetProgress(1);
  const std::wstring backup = reinterpret_cast<const wchar_t*>((p.display_name + u" Backup").c_str());
  // Restores a key's default value from its backup; false when there was none.
  auto restore = [&](HKEY key) {
    const std::u16string saved = ReadText(key, backup.c_str());
    if (saved.empty()) return false;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved.c_str()),
                   static_cast<DWORD>((saved.size() + 1) * sizeof(char16_t)));
    RegDeleteValueW(key, backup.c_str());
    return true;
  };
  auto open = [](const std::u16string& subkey) { return RegistryKey::Open(HKEY_CLASSES_ROOT, W(subkey), KEY_ALL_ACCESS); };
  for (const UndoAssociation& a : associations) {
    const std::u16string extension = Utf8ToUtf16(a.extension), id = Utf8ToUtf16(a.program_id);
    const std::u16string verb = Utf8ToUtf16(a.verb);
    bool extension_restored = false;
    if (RegistryKey key = open(extension)) {
      extension_restored = restore(key.get());
      if (EqualsIgnoreAsciiCase(verb, u"open")) {
        if (RegistryKey with = open(extension + u"\\OpenWithProgids")) RegDeleteValueW(with.get(), W(id));
        DeleteEmptyKey(HKEY_CLASSES_ROOT, extension + u"\\OpenWithProgids", 0);
      }
    }
    if (RegistryKey key = open(id)) {
      restore(key.get());
      if (!a.icon.empty()) {
        const std::u16string icon_key = id + u"\\DefaultIcon";
        bool restored = false;
        if (RegistryKey icon = open(icon_key)) {
          restored = restore(icon.get());
          if (!restored) RegDeleteValueW(icon.get(), nullptr);
        }
        if (!restored) DeleteEmptyKey(HKEY_CLASSES_ROOT, icon_key, 0);
      }
      const std::u16string shell = id + u"\\shell", verb_key = shell + u"\\" + verb;
      if (RegistryKey s = open(shell))
        if (!restore(s.get())) RegDeleteValueW(s.get(), nullptr);
      bool command_restored = false;
      if (RegistryKey command = open(verb_key + u"\\command")) {
        command_restored = restore(command.get());
        if (!command_restored) RegDeleteValueW(command.get(), nullptr);
      }
      if (!command_restored) DeleteKeyTree(HKEY_CLASSES_ROOT, verb_key, 0);
      if (!KeyHasSubkeysOrValues(HKEY_CLASSES_ROOT, shell, 0, false)) DeleteKeyTree(HKEY_CLASSES_ROOT, shell, 0);
    }
    if (!KeyHasSubkeysOrValues(HKEY_CLASSES_ROOT, id, 0, false)) {
      DeleteKeyTree(HKEY_CLASSES_ROOT, id, 0);
      if (!extension_restored) DeleteKeyTree(HKEY_CLASSES_ROOT, extension, 0);
    }
  }
  if (!associations.empty()) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  HoldStatus(700);
}

// A question with the "to all" buttons: true to remove this one; "Yes to all" and "No to all" also
// switch the mode for the rest.
bool AskWithToAll(const std::u16string& text, const std::u16string& caption, bool to_all, std::uint32_t& mode) {
  const int answer = ShowMessage(text, caption, kPromptYesNo | kPromptIconQuestion | (to_all ? kPromptYesToAll | kPromptNoToAll : 0));
  if (answer == kResultYesToAll) mode = 2;
  if (answer == kResultNoToAll) mode = 0;
  return answer == IDYES || answer == kResultYesToAll;
}

// Step 14: the product's fonts.
void RemoveFonts(Product& p) {
  SetStatusText(67);
  SetProgress(3);
  const std::vector<std::u16string> texts = QuotedTexts(p.product_fonts);
  const std::u16string fonts_folder = GetSpecialFolder(SpecialFolder::kFonts);
  std::uint32_t mode = p.uninstall_fonts;
  for (std::size_t i = 0; i + 1 < texts.size(); i += 2) {
    if (mode == 0) break;
    const std::u16string& title = texts[i];
    const std::u16string& file = texts[i + 1];
    if (mode == 1 && !p.automatic &&
        !AskWithToAll(FormatText(LanguageText(56), {title}), LanguageText(57), texts.size() > 2, mode))
      continue;
    if (RegistryKey list = RegistryKey::Open(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                                             KEY_SET_VALUE))
      RegDeleteValueW(list.get(), W(title));
    const std::u16string path = JoinPath(fonts_folder, file);
    RemoveFontResourceW(W(path));
    DeleteFileW(W(path));
  }
  if (!p.product_fonts.empty()) {
    DeleteProductValue(p, L"ProductFonts");
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 1000, &result);
  }
  HoldStatus(700);
}

// A type library's registration, undone through its own attributes.
void UnregisterTypeLibrary(const std::u16string& path) {
  ITypeLib* library = nullptr;
  if (FAILED(LoadTypeLibEx(W(path), REGKIND_NONE, &library)) || !library) return;
  TLIBATTR* attributes = nullptr;
  if (SUCCEEDED(library->GetLibAttr(&attributes)) && attributes) {
    UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                      attributes->syskind);
    library->ReleaseTLibAttr(attributes);
  }
  library->Release();
}

void UnregisterServer(const std::u16string& path) {
  const LaunchResult run = RunAndWait(u"regsvr32.exe /s /u \"" + path + u"\"", WindowsSystemFolder(), true);
  if (run.started && run.exit_code == 0) return;
  const UniqueModule module(LoadLibraryExW(W(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (auto entry = module.Function<HRESULT(WINAPI*)()>("DllUnregisterServer")) entry();
}

// Step 15: Install.log, then the shared files' reference counts.
void RemoveSharedFiles(Product& p) {
  SetStatusText(68);
  SetProgress(5);
  if (!(p.flags & kUninstallKeepLog)) DeleteFileW(W(JoinPath(p.Folder(), u"Install.log")));
  if (p.shared_files.empty()) return;
  const RegistryKey owned = RegistryKey::Open(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
                                              KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!owned) {
    AddFailure(u"REGISTRY ERROR:  Unable to adjust shared file reference counts.\r\n\r\n");
    return;
  }
  const HKEY counts = owned.get();
  const std::vector<SharedEntry> entries = ParseSharedFiles(ToNarrowPath(p.shared_files));
  std::uint32_t mode = p.uninstall_shared;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const SharedEntry& e = entries[i];
    const std::u16string path = WidenNarrowPath(e.path);
    DWORD type = 0, count = 0, size = sizeof(count);
    if (RegQueryValueExW(counts, W(path), nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) != ERROR_SUCCESS)
      continue;
    const SharedCountStep step = CountDownShared(type == REG_DWORD ? static_cast<std::int32_t>(count) : 0);
    if (step.new_count) {
      const DWORD next = *step.new_count;
      RegSetValueExW(counts, W(path), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&next), sizeof(next));
    }
    if (step.still_used || e.count_only) continue;
    if (e.com_server) UnregisterServer(path);
    if (e.type_library) UnregisterTypeLibrary(path);
    if (e.com_server || e.type_library) PumpWindowMessages();
    if (mode == 0 || !FileExists(path)) continue;
    if (mode == 1 && !p.automatic &&
        !AskWithToAll(FormatText(LanguageText(59), {path}), LanguageText(35), i + 1 < entries.size(), mode))
      continue;
    SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(W(path));
  }
  DeleteProductValue(p, L"SharedFiles");
}

// Step 16: taskbar pins that the installation made.
void UnpinFromTaskbar(const UninstallLists& lists) {
  for (const UndoItem& item : lists.main) {
    if (item.kind != UndoKind::kFile || item.text.find("\\User Pinned\\") == std::string::npos) continue;
    InvokeShellVerb(WidenNarrowPath(item.text), u"taskbarunpin");  // never an error box
  }
  HoldStatus(700);
}

// Step 17: Windows Installer packages installed with the product.
void RemoveInstallerPackages(const UninstallLists& lists) {
  if (lists.packages.empty()) return;
  SetStatusText(108);
  // From the system folder only: the uninstaller runs from the product's folder, where a DLL of the
  // same name must never be picked up.
  const UniqueModule msi = LoadSystemLibrary(L"msi.dll");
  auto set_ui = msi.Function<int(WINAPI*)(int, HWND*)>("MsiSetInternalUI");
  auto install = msi.Function<UINT(WINAPI*)(const wchar_t*, const wchar_t*)>("MsiInstallProductW");
  for (const std::string& entry : lists.packages) {
    const std::size_t comma = entry.rfind(',');
    const std::u16string package = Utf8ToUtf16(entry.substr(0, comma));
    const int level = comma == std::string::npos ? 2 : static_cast<int>(ParseProductFlags(Utf8ToUtf16(entry.substr(comma + 1))));
    UINT result = ERROR_CALL_NOT_IMPLEMENTED;
    if (set_ui && install) {
      set_ui(level, nullptr);
      result = install(W(package), L"REBOOT=R REMOVE=ALL");
    }
    if (result != 0)
      AddFailure(u"Failed to uninstall %s, code %d: %s\r\n",
                 {FileNameOf(package), static_cast<long long>(result), SystemErrorText(result)});
  }
  HoldStatus(700);
}

// Step 18: the files and registry items of the main list. Failed files go back into `record`.
void RemoveMainList(const Product& p, const UninstallLists& lists, UninstallData& record, FileNameSet& deleted,
                    std::vector<std::u16string>& folders) {
  SetProgress(10);
  record.Clear();
  for (std::size_t i = 0; i < lists.main.size(); ++i) {
    const UndoItem& item = lists.main[i];
    switch (item.kind) {
      case UndoKind::kFolder:
        folders.push_back(StripTrailingBackslash(WidenNarrowPath(item.text)));
        break;
      case UndoKind::kRegistryValue: {
        const std::u16string path = Utf8ToUtf16(item.text);
        const std::size_t cut = path.rfind(u'\\');
        if (cut != std::u16string::npos) DeleteRegistryValue(path.substr(0, cut), path.substr(cut + 1));
        break;
      }
      case UndoKind::kRegistryKey:
      case UndoKind::kRegistryKey64: {
        const REGSAM view = item.kind == UndoKind::kRegistryKey64 ? KEY_WOW64_64KEY : 0;
        ForEachKey(WidenNarrowPath(item.text), [&](HKEY root, const std::u16string& subkey) { DeleteKeyTree(root, subkey, view); });
        break;
      }
      case UndoKind::kFile: {
        // The line names exactly one file: nothing in it is a pattern.
        const std::u16string path = WidenNarrowPath(item.text);
        if (!(p.flags & kUninstallHidePaths)) SetStatusPath(path);
        SetProgress(MainListProgress(i, lists.main.size()));
        const DWORD attributes = GetFileAttributesW(W(path));
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) break;
        if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(W(path), attributes & ~FILE_ATTRIBUTE_READONLY);
        if (DeleteFileW(W(path))) {
          deleted.Add(path);
          // Its folder goes when it is empty (up to the installation folder), so that a retry after
          // a failure removes the folders the first run had to leave.
          if (IsInsideFolder(path, p.install_location)) folders.push_back(FolderOf(path));
        } else {
          AddFailure(u"%s %s\r\n", {LanguageText(58), path});
          record.AddEntry(item.text, UninstallEntryKind::kFile);
        }
        break;
      }
    }
  }
}

// Step 20: the remembered folders, longest first, each with its empty parents.
void RemoveFolders(const Product& p, const std::vector<std::u16string>& folders) {
  for (const std::u16string& folder : FoldersLongestFirst(folders)) {
    if (!(p.flags & kUninstallHidePaths)) SetStatusPath(folder);
    for (const std::u16string& step : FolderWalk(folder, p.install_location))
      if (!RemoveEmptyFolder(step)) break;
  }
}

// Step 21: what is left, written back so that a later run retries it.
void RewriteRecord(const Product& p, const UninstallLists& lists, const UninstallFile& original, UninstallData& record) {
  UninstallFile left = original;
  left.entries = record.entries();
  left.conditional_deletions = lists.conditional_deletions;
  WriteFileAtomically(JoinPath(p.Folder(), u"Uninstall.dat"), ComposeUninstallFile(left));
  record.Clear();
}

// Step 22: the Start-menu folder and its empty parents.
void RemoveStartMenuFolder(const Product& p, const std::u16string& start_menu) {
  if (!start_menu.empty()) {
    const std::u16string programs =
        GetSpecialFolder(p.shortcut_mode == 1 ? SpecialFolder::kCommonPrograms : SpecialFolder::kPrograms);
    std::u16string folder = JoinPath(programs, start_menu);
    for (int i = 0; i < 20 && IsInsideFolder(folder, programs); ++i) {
      if (!RemoveEmptyFolder(folder)) break;
      folder = FolderOf(folder);
    }
  }
  HoldStatus(700);
}

// Step 23: the product's own registry key, under HKLM and in every user hive.
void RemoveProductRegistry(Product& p) {
  SetStatusText(69);
  SetProgress(95);
  if (p.product_registry.empty()) return;
  const REGSAM view = p.RegistryView();
  std::u16string subkey = u"Software\\" + p.product_registry;
  if (DeleteKeyTree(HKEY_LOCAL_MACHINE, subkey, view)) {
    std::u16string parent = FolderOf(subkey);
    for (int i = 0; i < 20 && parent.find(u'\\') != std::u16string::npos; ++i) {
      if (!DeleteEmptyKey(HKEY_LOCAL_MACHINE, parent, view)) break;
      parent = FolderOf(parent);
    }
  }
  ForEachKey(u"\\HKAU\\" + subkey, [&](HKEY root, const std::u16string& user_key) {
    if (!DeleteKeyTree(root, user_key, view)) return;
    for (std::u16string parent = FolderOf(user_key); parent.size() >= 10; parent = FolderOf(parent))
      if (!DeleteEmptyKey(root, parent, view)) break;
  });
  DeleteProductValue(p, L"ProductRegistry");
}

// Step 24: the registry records that the installation's script made.
void UndoRegistryRecords(const Product& p, const UninstallLists& lists) {
  const REGSAM view = p.RegistryView();
  for (const RegistryUndo& undo : InterpretRegistryRecords(lists.registry_script)) {
    if (undo.kind == RegistryUndo::kDeleteValue) {
      DeleteRegistryValue(undo.key, undo.value_name, view);
    } else {
      ForEachKey(undo.key, [&](HKEY root, const std::u16string& subkey) { DeleteEmptyKey(root, subkey, view); });
    }
  }
}

// Step 25: the firewall exceptions the installation added: the open ports of the protocols an entry
// selects, or an authorized program. What the service refuses is left as it is and not reported: an
// exception is the system's setting rather than a part of the product, and the product must stay
// removable where the firewall service is off or keeps no exceptions.
void RemoveFirewallExceptions(const Product& p, const UninstallLists& lists) {
  SetProgress(96);
  if (lists.firewall.empty()) return;
  FirewallService firewall;
  if (firewall.Connect() != 0) return;
  const auto program_path = [](std::string_view target) { return ExpandedVariables(WidenNarrowPath(target)); };
  for (const std::string& entry : lists.firewall) {
    const std::optional<FirewallRemoval> removal = FirewallRemovalOf(entry, p.install_location, program_path);
    if (!removal) continue;
    if (removal->port) {
      for (const long protocol : removal->protocols) firewall.RemovePort(*removal->port, protocol);
    } else {
      firewall.RemoveProgram(removal->program);
    }
  }
}

// Step 26: driver packages installed through INF files.
void RemoveDrivers(const UninstallLists& lists) {
  SetProgress(97);
  if (lists.drivers.empty()) return;
  const UniqueModule setupapi = LoadSystemLibrary(L"setupapi.dll");  // never the product folder's
  if (auto uninstall = setupapi.Function<BOOL(WINAPI*)(const wchar_t*, DWORD, void*)>("SetupUninstallOEMInfW")) {
    for (const std::string& inf : lists.drivers) uninstall(W(FileNameOf(WidenNarrowPath(inf))), 1, nullptr);
  }
}

void OpenAddress(const std::u16string& address) {
  ShellExecuteW(nullptr, L"open", W(address), nullptr, nullptr, SW_SHOWNORMAL);
}

void Restart() {
  HANDLE opened = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened)) {
    const UniqueHandle token(opened);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
      AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  }
  ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION | SHTDN_REASON_FLAG_PLANNED);
}

// The cancellation of a program-closing question.
int Cancelled(const Product& p) {
  if (!p.automatic) ShowMessage(LanguageText(101), LanguageText(111), kPromptOk | kPromptIconWarning);
  return kExitCancelled;
}

int Run(Product& p) {
  if (std::optional<int> end = OpenProduct(p)) return *end;
  InstallContext& c = Context();
  SetSelfRemovalFolders(p.install_location, p.uninstall_subdir);

  using Disable = BOOL(WINAPI*)(void**);
  using Revert = BOOL(WINAPI*)(void*);
  void* redirection = nullptr;
  bool redirected_off = false;
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (p.bitness == 1) {
    auto disable = reinterpret_cast<Disable>(reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    if (!disable || !disable(&redirection)) FatalError(u"Wow64DisableWow64FsRedirection() failed");
    redirected_off = true;
  }

  const ProductIcons icons(p.Folder());
  const BackgroundWindow background(!(p.flags & kUninstallNoBackground) && !c.options.SilentMode);

  UninstallLists lists;
  if (std::optional<int> end = LoadLists(p, lists)) return *end;
  UninstallFile original;
  original.strings = lists.strings;
  original.auto_close = lists.auto_close;
  for (const UndoAssociation& a : lists.associations)
    original.associations.push_back(a.extension + "~!~" + a.program_id + "~!~" + a.verb + "~!~" + a.icon);
  original.firewall = lists.firewall;
  original.drivers = lists.drivers;
  original.packages = lists.packages;
  original.registry_script = lists.registry_script;

  const CloseTexts close_texts{107, 55};
  if (!CloseRunningPrograms(lists.auto_close, kClosePhaseAutomatic, close_texts)) return Cancelled(p);
  if (!p.automatic && !ShowQuestion(LanguageText(53), LanguageText(55))) return kExitCancelled;
  if (!p.automatic && IsSupportAddress(p.support_offer) &&
      ShowChoice(LanguageText(109), LanguageText(110), LanguageText(110), LanguageText(104))) {
    OpenAddress(p.support_offer);
    return kExitCancelled;
  }
  if (!CloseRunningPrograms(lists.auto_close, kClosePhaseAsk, close_texts)) return Cancelled(p);
  const bool progress = (p.flags & kUninstallShowProgress) && !c.options.SilentMode;
  if (progress) OpenProgress();

  p.shared_path = ReadText(p.key.get(), L"SharedPath");
  p.product_start_menu = ReadText(p.key.get(), L"ProductStartMenu");
  const std::u16string batch1 = ReadText(p.key.get(), L"UninstallBatch1");
  if (!batch1.empty()) {
    RunBatch(Utf16ToCp1252(batch1), (p.flags & kUninstallBatch1Hidden) != 0, u"UninstallBatch1");
    DeleteProductValue(p, L"UninstallBatch1");
  }

  RemoveAssociations(p, lists.associations);
  RemoveFonts(p);
  RemoveSharedFiles(p);
  UnpinFromTaskbar(lists);
  RemoveInstallerPackages(lists);

  UninstallData record;
  FileNameSet deleted;
  std::vector<std::u16string> folders;
  RemoveMainList(p, lists, record, deleted, folders);

  SetProgress(92);
  CleanPendingOperations(deleted, true);
  RunConditionalDeletions(false, lists.conditional_deletions, [](std::u16string path) { return ExpandedVariables(std::move(path)); },
                          p.install_location);
  SetProgress(93);
  RemoveFolders(p, folders);
  RewriteRecord(p, lists, original, record);
  RemoveStartMenuFolder(p, p.product_start_menu);
  RemoveProductRegistry(p);
  UndoRegistryRecords(p, lists);
  RemoveFirewallExceptions(p, lists);
  RemoveDrivers(lists);
  if (p.flags & kUninstallDeleteTree) DeleteTreeGuarded(p.install_location);
  SetProgress(98);
  if (!p.shared_path.empty()) RemoveEmptyFolder(p.shared_path);

  const bool success = FailureSummary().empty();
  if (success) {
    DeleteFileW(W(JoinPath(p.Folder(), u"Uninstall.dat")));
    if (p.flags & kUninstallRemoveFromPath) AddToPath(false, p.add_to_path_subfolder);
    const std::u16string batch2 = ReadText(p.key.get(), L"UninstallBatch2");
    if (!batch2.empty()) {
      RunBatch(Utf16ToCp1252(batch2), (p.flags & kUninstallBatch2Hidden) != 0, u"UninstallBatch2");
      DeleteProductValue(p, L"UninstallBatch2");
    }
    p.key.reset();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, p.key_path, KEY_WOW64_32KEY);
  }

  const std::u16string desktop = GetSpecialFolder(p.shortcut_mode == 1 ? SpecialFolder::kCommonDesktop : SpecialFolder::kDesktop);
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, W(desktop), nullptr);
  SetProgress(100);
  if (redirected_off) {
    if (auto revert = reinterpret_cast<Revert>(reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection"))))
      revert(redirection);
  }
  if (p.flags & kUninstallShowProgress) {
    HoldStatus(700);
    CloseProgress();
  }

  if (!success) {
    if (!p.automatic)
      ShowMessage(FormatText(LanguageText(10), {FailureSummary()}), LanguageText(20), kPromptOk | kPromptIconWarning);
    return 3;
  }
  if (!p.automatic && (p.flags2 & kUninstallCompletionMessage))
    ShowMessage(LanguageText(34), LanguageText(15), kPromptOk | kPromptIconInformation);
  bool restarting = false;
  if (p.flags & kUninstallRestart) {
    restarting = p.automatic || ShowQuestion(LanguageText(74), LanguageText(20));
    if (restarting) Restart();
  }
  if (!c.options.RunAfterInstall.empty()) {
    const std::u16string& program = c.options.RunAfterInstall;
    ShellExecuteW(nullptr, nullptr, W(program), nullptr, W(FolderOf(program)), SW_SHOWNORMAL);
  }
  if (!restarting && !p.automatic && !p.feedback_url.empty()) {
    std::u16string address = p.feedback_url;
    static constexpr VariableName kNames[] = {{u"%version%", true}, {u"%Session%", true}};
    ReplaceNames(address, kNames, [&](std::size_t row) {
      return row == 0 ? p.display_version : Decimal(static_cast<std::int64_t>(c.session));
    });
    OpenAddress(address);
  }
  return 0;
}

}  // namespace

int RunUninstall(const std::u16string& product_name) {
  Product product;
  product.name = product_name;
  return Run(product);
}

}  // namespace mv
