#include "base/path.h"
#include "engine/extraction_win.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <unordered_set>
#include <vector>

#include "base/codepage.h"
#include "base/format.h"
#include "base/text.h"
#include "context/install_context_win.h"
#include "context/progress.h"
#include "engine/completion_rules.h"
#include "engine/extraction_rules.h"
#include "lib/fatal.h"
#include "lib/file_object_win.h"
#include "lib/folder_win.h"
#include "lib/launch_win.h"
#include "lib/native_file_view_win.h"
#include "lib/read_at_win.h"
#include "lib/special_folders_win.h"
#include "lib/system_library_win.h"
#include "lib/wide_win.h"
#include "package/corrupt.h"
#include "package/data_block.h"
#include "package/file_walk.h"
#include "package/walk_beside_decoding.h"
#include "package/settings.h"
#include "records/deferred_ops_win.h"
#include "records/install_log.h"
#include "records/install_log_win.h"
#include "records/uninstall_data_win.h"
#include "vars/expand_win.h"

namespace mv {

namespace {

// Files from this size on are written while their bytes are still being decoded.
constexpr std::uint32_t kStreamedFileSize = 1u << 20;

FileDateTime RecordDate(const FileRecord& r) { return {r.date[0], r.date[1], r.date[2], r.date[3], r.date[4], r.date[5]}; }

ExistingFile ExistingAt(const std::u16string& path) {
  ExistingFile existing;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(W(path), GetFileExInfoStandard, &data)) return existing;
  existing.exists = true;
  SYSTEMTIME st{};
  if (FileTimeToSystemTime(&data.ftLastWriteTime, &st))
    existing.date = FileDateTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
  return existing;
}

bool SameFolder(std::u16string a, std::u16string b) {
  while (!a.empty() && a.back() == u'\\') a.pop_back();
  while (!b.empty() && b.back() == u'\\') b.pop_back();
  return CompareStringOrdinal(W(a), -1, W(b), -1, TRUE) == CSTR_EQUAL;
}

std::string LowerNarrow(const std::u16string& path) {
  std::wstring lower(path.begin(), path.end());
  if (!lower.empty()) CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
  return ToNarrowPath(U(lower));
}

std::u16string TextOr(int number, const char16_t* fallback) {
  std::u16string text = LanguageText(number);
  return text.empty() ? std::u16string(fallback) : text;
}

// The folder chain of a destination; false (with the failure reported) when it cannot be made.
bool CreateDestinationFolder(const std::u16string& folder, const std::u16string& destination) {
  if (CreateFolderChain(folder)) return true;
  const DWORD error = GetLastError();
  std::u16string why = SystemErrorText(error);
  // A file where a folder of the chain should be.
  for (std::u16string part = folder; part.size() > 3; part = part.substr(0, part.find_last_of(u'\\'))) {
    const DWORD attributes = GetFileAttributesW(W(part));
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      why = u"Cannot create folder because there is a file with the same name.";
      break;
    }
    if (part.find(u'\\') == std::u16string::npos) break;
  }
  AddFailure(u"%s %s\r\n%s\r\n\r\nNot installed: %s\r\n\r\n",
             {TextOr(25, u"Unable to create the folder"), folder, why, destination});
  return false;
}

// The file-data block of the installer as a source, in the section or after it in the file. Either
// way it is read through the file in portions: bytes read through the mapped image would stay in
// the working set, which would then grow with the installer.
std::unique_ptr<DataBlockSource> FileDataSource(HANDLE file) {
  InstallContext& c = Context();
  FileRange range;
  if (!c.settings.ExternalData) {
    const std::optional<FileRange> in_section = InSectionDataBlockRange(c.mapped_section.size(), c.section, c.header);
    if (!in_section) return std::make_unique<MemoryDataSource>(InSectionDataBlock(c.mapped_section, c.header));
    range = *in_section;
  } else {
    range = ExternalDataBlockRange(c.installer_size, c.section, c.header, c.certificate_table);
  }
  return std::make_unique<PullDataSource>(
      range.length,
      [file, range](std::uint64_t offset, std::span<std::uint8_t> out) {
        return ReadFileAt(file, range.offset + offset, out);
      },
      range.offset);
}

// One record of the walk. `folders` holds what every record shares: the base folders and the
// removable-target facts, gathered once for the walk.
void InstallRecord(const WalkedFileRecord& walked, HANDLE extraction, std::uint32_t count,
                   const DestinationInput& folders, bool show_progress, std::unordered_set<std::string>& made_folders,
                   const std::function<void(std::uint64_t end)>& await_bytes) {
  InstallContext& c = Context();
  InstallLists& lists = RunInstallLists();
  const FileRecord& r = walked.record;
  const std::uint64_t flags = c.settings.ProductFlags;
  if (show_progress) SetProgress(static_cast<int>(59 + (31ull * walked.index) / std::max<std::uint32_t>(count, 1)));

  const bool removable = folders.removable_target;
  DestinationInput in = folders;
  in.kind = r.destination_kind;
  in.flags = r.flags;
  in.name = WidenNarrowPath(r.name);
  in.destination = r.destination;
  const Destination dest = PlanDestination(in, ExpandedVariables);
  const std::string narrow = ToNarrowPath(dest.path);
  const std::u16string progress_line = FileNameOf(dest.name) + u" >>> " + dest.path;

  if ((flags & kFlagHideFileNames) || r.name == "b/0@+")
    SetStatusText(54);
  else
    SetStatusPath(dest.path);

  const std::uint32_t kind = r.destination_kind;
  const bool permanent = (r.flags & kRecordPermanent) != 0;
  if (kind == 7) lists.com_servers.push_back(narrow);
  if (kind == 8) lists.type_libraries.push_back(narrow);
  if ((kind == 1 && !removable) || kind == 6 || (kind == 7 && !removable) || kind == 8) {
    std::string entry = narrow;
    if (permanent || kind == 6)
      entry += ' ';
    else if (kind == 7)
      entry += '^';
    else if (kind == 8)
      entry += '\xA9';
    lists.shared_files.push_back(std::move(entry));
  }

  OverwriteInput check;
  check.kind = kind;
  check.flags = r.flags;
  check.destination = dest.path;
  check.record_date = RecordDate(r);
  check.record_version = Utf8ToUtf16(r.version);
  check.removable_target = removable;
  const bool looked = NeedsExistingFile(check);
  if (looked) check.existing = ExistingAt(dest.path);
  if (NeedsExistingVersion(check)) check.existing.version = FileVersionOf(dest.path);
  const OverwriteDecision decision = DecideOverwrite(check);
  LogText(decision.log);
  if (!decision.write) {
    if (decision.record) AddUninstallEntry(narrow, UninstallEntryKind::kFile);
    return;
  }

  if ((kind == 0 && (r.flags & (kRecordDesktopShortcut | kRecordStartMenuShortcut))) || kind == 5) {
    ShortcutEntry s;
    s.desktop = (r.flags & kRecordDesktopShortcut) ? 1 : 0;
    s.start_menu = (r.flags & kRecordStartMenuShortcut) ? 1 : 0;
    s.startup = kind == 5 ? 1 : 0;
    s.keep = permanent ? 1 : 0;
    s.target = dest.path;
    s.name = Utf8ToUtf16(r.version);
    s.icon = r.icon;
    s.arguments = r.arguments;
    s.working_folder = r.working_folder;
    lists.shortcuts.push_back(std::move(s));
  }

  const KindRules rules = RulesOfKind(kind, removable);
  if (dest.create_folder && !SameFolder(dest.folder, folders.install_dir)) {
    // A folder this walk has made or found once is not asked for again (a call per file).
    const std::string folder_key = LowerNarrow(dest.folder);
    if (!made_folders.contains(folder_key)) {
      if (!CreateDestinationFolder(dest.folder, dest.path)) return;
      made_folders.insert(folder_key);
    }
    if (!permanent && (rules.recorded || kind == 1)) AddUninstallEntry(dest.folder, UninstallEntryKind::kFolder);
  }
  if (decision.record) AddUninstallEntry(narrow, UninstallEntryKind::kFile);

  bool registered = false;
  // A large new file is written while its bytes are still being decoded, each block once it is in
  // place; should the decoding fail meanwhile, the part written goes again. Every other file waits
  // for all its bytes first, so that an existing file is never left half replaced.
  WriteSource source = WriteSource::FileRange(extraction, walked.data_offset, static_cast<std::int64_t>(r.data_size));
  const bool streamed =
      r.data_size >= kStreamedFileSize && !(looked ? check.existing.exists : ExistingAt(dest.path).exists);
  if (streamed) source.await_bytes = await_bytes;
  else await_bytes(walked.data_offset + r.data_size);
  bool written = false;
  try {
    written = WriteFileWithReplacement(dest.path, source, RecordDate(r), r.attributes, decision.replacement_allowed,
                                       &registered);
  } catch (...) {
    if (streamed) DeleteFileW(W(dest.path));
    throw;
  }
  if (written && (flags & kFlagLogEachFile)) LogText(progress_line + u"\r\n");
  if (written || registered) lists.bytes_written += r.data_size;
  if (!written && !(kind == 12 && registered)) return;

  // Follow-ups of the component kinds; their registration comes with the component steps.
  switch (kind) {
    case 4:
      if (!permanent)
        lists.product_fonts += "\"" + r.version + "\" \"" + r.name + "\" ";
      break;  // font registration: the component steps register the font here
    case 10:
      lists.drivers.push_back(narrow);
      break;
    case 11:  // Windows Installer package: installed by the component steps
    case 12:  // control-panel applet: registered by the component steps
    default:
      break;
  }
  if (!registered) lists.installed_files.insert(LowerNarrow(dest.path));
}

// Thrown into the decoding threads when the walk beside them has failed: no more bytes are placed.
struct DecodingStopped {};

}  // namespace

InstallLists& RunInstallLists() {
  static InstallLists lists;
  return lists;
}

namespace {

// The version library, loaded from the system folder once (before the native file view of a 64-bit
// product is switched on: the loader needs redirection).
HMODULE VersionLibrary() {
  static UniqueModule version_dll = LoadSystemLibrary(L"version.dll");
  return version_dll.get();
}

}  // namespace

std::u16string FileVersionOf(const std::u16string& path) {
  const HMODULE version_dll = VersionLibrary();
  if (!version_dll) return {};
  using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
  using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
  const auto size_fn = reinterpret_cast<SizeFn>(reinterpret_cast<void*>(GetProcAddress(version_dll, "GetFileVersionInfoSizeW")));
  const auto info_fn = reinterpret_cast<InfoFn>(reinterpret_cast<void*>(GetProcAddress(version_dll, "GetFileVersionInfoW")));
  const auto query_fn = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(GetProcAddress(version_dll, "VerQueryValueW")));
  if (!size_fn || !info_fn || !query_fn) return {};
  DWORD ignored = 0;
  const DWORD size = size_fn(W(path), &ignored);
  if (size == 0) return {};
  std::vector<std::uint8_t> block(size);
  if (!info_fn(W(path), 0, size, block.data())) return {};
  unsigned language = 0x0409, code_page = 0x04E4;
  void* translation = nullptr;
  UINT length = 0;
  if (query_fn(block.data(), L"\\VarFileInfo\\Translation", &translation, &length) && translation && length >= 4) {
    const auto* pair = static_cast<const WORD*>(translation);
    language = pair[0];
    code_page = pair[1];
  }
  wchar_t query[64];
  wsprintfW(query, L"\\StringFileInfo\\%04X%04X\\FileVersion", language, code_page);
  void* value = nullptr;
  if (!query_fn(block.data(), query, &value, &length) || !value || length == 0) return {};
  std::u16string text(static_cast<const char16_t*>(value));
  std::replace(text.begin(), text.end(), u',', u'.');
  return text;
}

void ExtractFiles(HANDLE file) {
  InstallContext& c = Context();
  const std::uint32_t hold = std::uint32_t{c.settings.MinProgressTime};

  // Stage 1: the file data checked and decoded into the extraction file.
  SetStatusText(8);
  SetProgress(2);
  std::unique_ptr<DataBlockSource> source = FileDataSource(file);
  CheckDataBlockSize(source->Size(), c.header);
  HoldStatus(hold);
  SetStatusText(62);
  SetProgress(21);
  CheckDataBlockCrc(*source, c.header);
  HoldStatus(hold);
  SetProgress(26);
  RunConditionalDeletions(true, c.lists.DeletionList, ExpandedVariables, InstallDir(c));
  SetProgress(27);
  SetStatusText(29);

  // A new file in the temporary folder, deleted when its handle closes and registered for deletion
  // at the next restart as soon as it exists, so that it never outlives a killed installer.
  FileObject extraction;
  const int opened = extraction.Open(std::u16string_view(),
                                     open_flags::kWidePath | open_flags::kShareRead | open_flags::kShareWrite |
                                         (1u << open_flags::kPlacementShift),
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
  if (opened != kFileOk) FatalError(FormatText(u"Failed to create the temporary extraction file, code %d", {opened}));
  DeleteOptions at_restart;
  at_restart.at_restart_only = true;
  DeleteFileDeferred(extraction.path(), at_restart);

  DataBlockOptions options;
  options.blowfish = c.cipher.get();
  options.chunks_compressed = (c.settings.ProductFlags & kFlagCompressedChunks) != 0;
  // One decoding thread per core.
  options.threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
  // Each chunk goes straight to its place in the extraction file, written by the thread that
  // decodes it.
  const HANDLE handle = extraction.handle();
  const auto write_at = [handle](std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (!WriteFileAt(handle, offset, bytes))
      FatalError(u"Failed to write to the extraction file.\r\n\r\n" + SystemErrorText(GetLastError()));
  };

  // Stage 2 needs the destination folders, gathered once for the walk.
  const auto count = static_cast<std::uint32_t>(c.header.file_sizes.size());
  VersionLibrary();
  DestinationInput folders;
  folders.removable_target = RemovableTarget(c);
  folders.file_option_text = c.settings.FileOptionText;
  folders.install_dir = InstallDir(c);
  folders.shared_dir = c.shared_dir;
  folders.uninstall_dir = UninstallDataFolder();
  folders.fonts_dir = GetSpecialFolder(SpecialFolder::kFonts);
  folders.system_dir = WindowsSystemFolder();
  std::atomic<std::uint64_t> consumed{0}, total{0};
  const auto show_decoding_progress = [&] {
    if (total) SetProgress(static_cast<int>(28 + 31 * consumed / total));
  };
  const auto note_decoding_progress = [&](std::uint64_t done, std::uint64_t size) {
    consumed = done;
    total = size;
  };
  DecodedFrontier frontier([&] {
    show_decoding_progress();
    PumpWindowMessages();
  });
  // Stage 2: every record, in package order, each once its bytes are all in place.
  std::unordered_set<std::string> made_folders;
  // A file's bytes must be in place before they are read; a decoding that ended without them has
  // failed, and says how.
  const std::function<void(std::uint64_t)> await_bytes = [&frontier](std::uint64_t end) {
    if (frontier.WaitFor(end)) return;
    frontier.Finish();
    throw CorruptPackage(101, "file bytes run past the stream");
  };
  const auto walk = [&](std::uint64_t extracted) {
    FileRecordWalker walker(
        [handle, &frontier](std::uint64_t offset, std::span<std::uint8_t> out) {
          return frontier.WaitFor(offset + out.size()) && ReadFileAt(handle, offset, out);
        },
        extracted, c.header.file_sizes);
    // A 64-bit product's files go to the native folders.
    NativeFileView native(c.settings.Bitness == 1);
    while (std::optional<WalkedFileRecord> walked = walker.Next()) {
      // While chunks are still being decoded the progress is theirs.
      const bool decoded = frontier.ended();
      if (!decoded) show_decoding_progress();
      InstallRecord(*walked, handle, count, folders, decoded, made_folders, await_bytes);
      PumpWindowMessagesEvery(10);
    }
  };

  // When the decoded size is known before decoding (chunks side by side, each one's size in its xz
  // index), the records are walked while later chunks are still being decoded. Otherwise every
  // chunk is decoded first.
  if (const std::optional<std::uint64_t> planned =
          options.threads > 1 ? PlannedDecodedSize(*source, options) : std::nullopt) {
    options.progress = note_decoding_progress;
    options.placed = [&frontier](std::uint64_t decoded) { frontier.Placed(decoded); };
    WalkBesideDecoding(
        frontier,
        [&](const std::atomic<bool>& stopping) {
          DecodeDataBlockInPlace(*source, options, [&](std::uint64_t offset, std::span<const std::uint8_t> bytes) {
            if (stopping) throw DecodingStopped{};
            write_at(offset, bytes);
          });
        },
        [&] { walk(*planned); });
    source.reset();
  } else {
    options.progress = [&](std::uint64_t done, std::uint64_t size) {
      note_decoding_progress(done, size);
      show_decoding_progress();
      PumpWindowMessages();
    };
    const std::uint64_t extracted = DecodeDataBlockInPlace(*source, options, write_at);
    source.reset();
    frontier.Placed(extracted);
    frontier.Ended(nullptr);
    walk(extracted);
  }

  // Stage 3: the extraction file goes; stale pending operations on the files just written go too.
  extraction.Close();
  SetProgress(91);
  SetStatusText(54);
  InstallLists& lists = RunInstallLists();
  if (lists.fonts_changed) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  }
  FileNameSet installed;
  for (const std::string& path : lists.installed_files) installed.Add(WidenNarrowPath(path));
  CleanPendingOperations(installed, false);
  SetProgress(92);
}

}  // namespace mv
