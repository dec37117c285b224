#include "lib/special_folders_win.h"
#include "records/deferred_ops_win.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/codepage.h"
#include "context/install_context_win.h"
#include "lib/atomic_file_win.h"
#include "lib/file_object_win.h"
#include "lib/file_rules.h"
#include "lib/file_security_win.h"
#include "lib/folder_win.h"
#include "lib/read_at_win.h"
#include "lib/registry_key_win.h"
#include "lib/temp_file_win.h"
#include "lib/wide_win.h"
#include "package/corrupt.h"
#include "records/deferred_rules.h"
#include "records/install_log.h"
#include "records/install_log_win.h"

namespace mv {

namespace {

constexpr std::uint64_t kFlagReplaceLockedFiles = 1ull << 11;
constexpr std::uint64_t kFlagClearAttributesOnFailure = 1ull << 19;
constexpr std::uint64_t kFlagUninstallRestart = 1ull << 45;
constexpr DWORD kRestrictiveAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr std::size_t kCopyBlock = 1 << 20;
constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// Anything at `path`, file or folder.
bool PathExists(const std::u16string& path) { return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES; }

// Whether the system still reads the old-style restart file: its processor is in the Windows folder.
bool HasRestartFileProcessor() {
  const std::u16string windows = WindowsFolder();
  return !windows.empty() && PathExists(windows + u"\\wininit.exe");
}

// The short 8-bit form of a path for the old-style restart file (the path as it is when it has none).
std::string ShortAnsiPath(const std::u16string& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD n = GetShortPathNameW(W(path), buffer, MAX_PATH);
  const std::u16string chosen = n && n < MAX_PATH ? U(std::wstring(buffer, n)) : path;
  return ToCodePage(CP_ACP, chosen);
}

bool AddRestartFileLine(std::string_view target, std::string_view source) {
  const std::u16string ini = WindowsFolder() + u"\\wininit.ini";
  std::string text;
  if (UniqueHandle in{CreateFileW(W(ini), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)}) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(in.get(), &size) || size.QuadPart > (1 << 20)) return false;
    text.resize(static_cast<std::size_t>(size.QuadPart));
    if (!ReadFileAt(in.get(), 0, {reinterpret_cast<std::uint8_t*>(text.data()), text.size()})) return false;
  }
  return WriteFileAtomically(ini, AddRenameLine(text, target, source)) == 0;
}

bool DriveMissing(const std::u16string& path) {
  if (!HasDriveLetter(path)) return false;
  const std::u16string root = path.substr(0, 2) + u"\\";
  return GetFileAttributesW(W(root)) == INVALID_FILE_ATTRIBUTES;
}

std::u16string ParentFolder(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

std::optional<FILETIME> ToFileTime(const FileDateTime& d) {
  if (!d.Complete()) return std::nullopt;
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(d.year);
  st.wMonth = static_cast<WORD>(d.month);
  st.wDay = static_cast<WORD>(d.day);
  st.wHour = static_cast<WORD>(d.hour);
  st.wMinute = static_cast<WORD>(d.minute);
  st.wSecond = static_cast<WORD>(d.second);
  FILETIME ft{};
  if (d.year < 1601 || d.year > 30827 || !SystemTimeToFileTime(&st, &ft)) return std::nullopt;
  return ft;
}

FileDateTime FromFileTime(const FILETIME& ft) {
  SYSTEMTIME st{};
  if (!FileTimeToSystemTime(&ft, &st)) return {};
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

// Writes the whole block; a short write goes on with the rest, so that the error of a full disk is
// the one reported. False with the system error as the last error.
bool WriteBlock(HANDLE out, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(out, data, static_cast<DWORD>(size), &written, nullptr)) return false;
    if (written == 0) {
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

// Copies the source into `out` in large blocks. False with the system error as the last error.
bool CopySource(HANDLE out, const WriteSource& source) {
  for (std::size_t done = 0; done < source.data.size();) {
    const std::size_t n = std::min(source.data.size() - done, kCopyBlock);
    if (!WriteBlock(out, source.data.data() + done, n)) return false;
    done += n;
  }
  if (!source.file) return true;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::int64_t>(source.length, kCopyBlock)));
  std::int64_t done = 0;
  while (done < source.length) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(source.length - done, kCopyBlock));
    if (source.await_bytes) source.await_bytes(source.offset + static_cast<std::uint64_t>(done) + n);
    if (!ReadFileAt(source.file, source.offset + static_cast<std::uint64_t>(done), {buffer.data(), n})) {
      if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_HANDLE_EOF);
      return false;
    }
    if (!WriteBlock(out, buffer.data(), n)) return false;
    done += static_cast<std::int64_t>(n);
  }
  return true;
}

void SetTimes(HANDLE file, const FileDateTime& times) {
  if (const std::optional<FILETIME> ft = ToFileTime(times)) SetFileTime(file, &*ft, nullptr, &*ft);
}

void SetRestartPending(bool installing) {
  Context().settings.ProductFlags |= installing ? kFlagRestartPending : kFlagUninstallRestart;
}

std::u16string WriteFailureHeading() {
  std::u16string heading = LanguageText(31);
  return heading.empty() ? u"Unable to write the file" : heading;
}

// The registered replacement: a new temporary file beside the target with the same bytes and times.
// Adds its text to `paragraph`; true when registered.
bool RegisterTemporaryReplacement(const std::u16string& path, const WriteSource& source, const FileDateTime& times,
                                  std::u16string& paragraph) {
  CreatedTempFile temp = CreateTempFile(ParentFolder(path), u"");
  DWORD error = GetLastError();
  bool written = false;
  if (temp.handle) {
    written = CopySource(temp.handle.get(), source);
    error = GetLastError();
    if (written) SetTimes(temp.handle.get(), times);
  }
  temp.handle.reset();
  if (!written) {
    paragraph += ReplacementNoTemporaryText(path, SystemErrorText(error));
    if (!temp.path.empty()) DeleteFileW(W(temp.path));
    return false;
  }
  // The file was created with the folder's permissions plus its own; it must end up like any
  // other file the installation writes there.
  InheritFolderPermissions(temp.path);
  if (RegisterReplacement(temp.path, path)) {
    paragraph += ReplacementRegisteredText(path, temp.path);
    return true;
  }
  paragraph += ReplacementFailedText(path, temp.path, SystemErrorText(GetLastError()));
  DeleteOptions options;
  options.restart_on_failure = true;
  DeleteFileDeferred(temp.path, options);
  return false;
}

std::u16string CaseKey(std::u16string_view path) {
  std::wstring key(path.begin(), path.end());
  if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  return U(key);
}

std::optional<std::u16string> ReadMultiString(const RegistryKey& key, const wchar_t* name) {
  for (int tries = 0; tries < 4; ++tries) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_MULTI_SZ) return std::nullopt;
    std::u16string data(size / 2 + 1, u'\0');
    DWORD got = size;
    const LONG r = RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
    if (r == ERROR_MORE_DATA) continue;  // it grew in between
    if (r != ERROR_SUCCESS || type != REG_MULTI_SZ) return std::nullopt;
    data.resize(got / 2);
    return data;
  }
  return std::nullopt;
}

// Every file (not folder) matching a path that may hold wildcards.
std::vector<WIN32_FIND_DATAW> MatchingFiles(const std::u16string& pattern) {
  std::vector<WIN32_FIND_DATAW> found;
  WIN32_FIND_DATAW data{};
  HANDLE find = FindFirstFileW(W(pattern), &data);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) found.push_back(data);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return found;
}

bool IsAbsolute(const std::u16string& path) {
  return HasDriveLetter(path) || (!path.empty() && (path[0] == u'\\' || path[0] == u'/'));
}

}  // namespace

bool WriteFileWithReplacement(const std::u16string& path, const WriteSource& source, const FileDateTime& times,
                              std::uint32_t attributes, bool replacement_allowed, bool* replacement_registered) {
  if (source.length < 0) throw CorruptPackage(5, "negative file length");
  if (replacement_registered) *replacement_registered = false;
  InstallContext& c = Context();

  FileObject out;
  DWORD error = ERROR_SUCCESS;
  bool written = false;
  bool created = false;    // an attempt opened (and so emptied) the target
  bool disk_full = false;  // an attempt ran out of space; later ones may fail differently on that disk
  for (int attempt = 0; attempt < 3 && !written; ++attempt) {
    if (attempt > 0) Sleep(50);
    const int opened = out.Open(path, open_flags::kWidePath | 3 | open_flags::kNoRead);
    if (opened == 0 || opened == 28) {
      created = true;
      written = CopySource(out.handle(), source);
      if (!written) error = GetLastError();
      if (!written) out.Close();
    } else {
      error = out.system_error();
    }
    disk_full = disk_full || error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
    if (written || attempt > 0) continue;
    // What may help the next attempts.
    if (error == ERROR_PATH_NOT_FOUND) CreateFolderChain(ParentFolder(path));
    if (c.settings.ProductFlags & kFlagClearAttributesOnFailure) ClearRestrictiveAttributes(path);
  }

  if (written) {
    SetTimes(out.handle(), times);
    out.Close();
    if (attributes != kKeepAttributes) {
      const DWORD current = GetFileAttributesW(W(path));
      if (current != INVALID_FILE_ATTRIBUTES && !(current & FILE_ATTRIBUTE_DIRECTORY)) {
        const DWORD merged = MergeAttributes(current, attributes);
        if (merged != current) SetFileAttributesW(W(path), merged);
      }
    }
    return true;
  }

  if (disk_full) error = ERROR_DISK_FULL;
  const AfterWriteFailure next =
      DecideAfterWriteFailure(error, replacement_allowed, (c.settings.ProductFlags & kFlagReplaceLockedFiles) != 0);
  if (next.disk_full) {
    c.disk_full = true;
    if (created) DeleteFileW(W(path));  // only a file this call emptied and filled in part
  }

  std::u16string paragraph = WriteFailureHead(WriteFailureHeading(), path);
  if (DriveMissing(path)) {
    AddFailure(paragraph + DriveMissingLine(path));
    return false;
  }
  paragraph += SystemErrorText(error) + u"\r\n";
  if (!next.replace) {
    AddFailure(paragraph);
    return false;
  }
  if (RegisterTemporaryReplacement(path, source, times, paragraph)) {
    SetRestartPending(true);
    if (replacement_registered) *replacement_registered = true;
    LogText(paragraph);
  } else {
    AddFailure(paragraph);
  }
  return false;
}

bool RegisterReplacement(const std::u16string& temporary, const std::u16string& target) {
  if (target.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!PathExists(temporary)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (CompareStringOrdinal(W(temporary), -1, W(target), -1, TRUE) == CSTR_EQUAL) return true;
  if (MoveFileExW(W(temporary), W(target), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
    SetLastError(ERROR_BUSY);
    return true;
  }
  const DWORD error = GetLastError();
  if (HasRestartFileProcessor() && AddRestartFileLine(ShortAnsiPath(target), ShortAnsiPath(temporary))) {
    SetLastError(ERROR_BUSY);
    return true;
  }
  SetLastError(error);
  return false;
}

bool DeleteFileDeferred(const std::u16string& path, const DeleteOptions& options) {
  if (!options.keep_read_only) {
    const DWORD current = GetFileAttributesW(W(path));
    if (current != INVALID_FILE_ATTRIBUTES && (current & FILE_ATTRIBUTE_READONLY))
      SetFileAttributesW(W(path), current & ~FILE_ATTRIBUTE_READONLY);
  }
  DWORD error = ERROR_SUCCESS;
  if (!options.at_restart_only) {
    if (options.recycle) {
      // The shell takes a list of paths, each ending in a zero, the list in a second one.
      std::wstring from(path.begin(), path.end());
      from.push_back(L'\0');
      SHFILEOPSTRUCTW op{};
      op.wFunc = FO_DELETE;
      op.pFrom = from.c_str();
      op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
      if (!PathExists(path)) {
        error = ERROR_FILE_NOT_FOUND;
      } else {
        SHFileOperationW(&op);
        if (!PathExists(path)) return true;
        error = ERROR_ACCESS_DENIED;
      }
    } else if (DeleteFileW(W(path))) {
      return true;
    } else {
      error = GetLastError();
    }
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      SetLastError(error);
      return options.missing_is_success;
    }
    if (!options.restart_on_failure) {
      SetLastError(error);
      return false;
    }
  }
  if (MoveFileExW(W(path), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
  error = GetLastError();
  if (HasRestartFileProcessor() && AddRestartFileLine("NUL", ShortAnsiPath(path))) return true;
  SetLastError(error);
  return false;
}

void FileNameSet::Add(std::u16string_view path) { keys_.insert(CaseKey(path)); }

bool FileNameSet::Contains(std::u16string_view path) const { return keys_.count(CaseKey(path)) != 0; }

void CleanPendingOperations(const FileNameSet& installed, bool uninstalling) {
  RegistryKey key = RegistryKey::Open(HKEY_LOCAL_MACHINE, kSessionManager, KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!key) return;
  const std::optional<std::u16string> data = ReadMultiString(key, kPendingValue);
  if (!data || data->empty()) return;
  const std::vector<std::u16string> strings = SplitMultiString(*data);
  if (strings.empty()) return;
  if (!uninstalling) LogText(u"\r\n");
  const PendingCleanup cleanup =
      CleanPendingList(strings, [&](std::u16string_view path) { return installed.Contains(path); });
  if (!uninstalling) LogText(cleanup.log);
  for (const std::u16string& source : cleanup.sources_to_delete) {
    DeleteOptions options;
    options.missing_is_success = true;
    DeleteFileDeferred(source, options);
  }
  if (!cleanup.changed) return;
  const std::u16string joined = JoinMultiString(cleanup.kept);
  RegSetValueExW(key.get(), kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(joined.data()),
                 static_cast<DWORD>(joined.size() * sizeof(char16_t)));
}

void RunConditionalDeletions(bool installing, std::vector<DeletionRecord>& records,
                             const std::function<std::u16string(std::u16string)>& expand,
                             const std::u16string& install_dir) {
  const std::uint8_t phase = installing ? kDeleteWhenInstalling : kDeleteAtUninstall;
  bool attempted = false;
  std::vector<DeletionRecord> still_failing;
  for (const DeletionRecord& record : records) {
    if (!(record.flags & phase)) {
      still_failing.push_back(record);  // not this phase's: left for the other
      continue;
    }
    const DeletionCondition condition = ParseDeletionCondition(record.condition, record.comparison);
    std::u16string pattern = expand(WidenNarrowPath(record.path));
    if (!IsAbsolute(pattern)) {
      std::u16string base = install_dir;
      if (!base.empty() && base.back() != u'\\') base += u'\\';
      pattern = base + pattern;
    }
    const std::u16string folder = ParentFolder(pattern);
    bool failed = false;
    for (const WIN32_FIND_DATAW& found : MatchingFiles(pattern)) {
      const std::u16string file = folder + u"\\" + U(found.cFileName);
      const std::uint64_t size = (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
      if (!DeletionConditionHolds(condition, FromFileTime(found.ftLastWriteTime), size)) continue;
      attempted = true;
      SetFileAttributesW(W(file), found.dwFileAttributes & ~kRestrictiveAttributes);
      DWORD error = ERROR_SUCCESS;
      if (!(record.flags & kDeleteAtRestartOnly)) {
        if (DeleteFileW(W(file))) {
          if (installing) LogFormat(u"Deleted file: %s\r\n", {file});
          continue;
        }
        error = GetLastError();
      }
      if (record.flags & (kDeleteAtRestartOnly | kDeleteAtRestartOnFailure)) {
        if (installing)
          LogText(DeferredDeletionLine(file, record.flags & kDeleteAtRestartOnly ? u"" : SystemErrorText(error)));
        DeleteOptions options;
        options.at_restart_only = true;
        if (DeleteFileDeferred(file, options)) {
          SetRestartPending(installing);
        } else {
          failed = true;
          if (installing)
            AddFailure(u"Failed to register \"%s\" for deletion: %s\r\n", {file, SystemErrorText(GetLastError())});
        }
      } else {
        failed = true;
        if (installing) LogFormat(u"Failed to delete file \"%s\": %s\r\n", {file, SystemErrorText(error)});
      }
    }
    if (failed) still_failing.push_back(record);
  }
  if (installing && attempted) LogText(u"\r\n");
  if (!installing) records = std::move(still_failing);
}

}  // namespace mv
