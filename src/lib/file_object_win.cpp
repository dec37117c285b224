#include "lib/file_object_win.h"

#include <algorithm>
#include <vector>

#include "lib/fatal.h"
#include "lib/wide_win.h"
#include "base/format.h"
#include "base/text.h"
#include "lib/temp_file_win.h"

namespace mv {

namespace {

constexpr DWORD kBlock = 1u << 20;

std::string Narrow(const std::u16string& text) { return Utf16ToUtf8(text); }

OpenFailureFacts GatherFacts(const std::u16string& path, bool write) {
  OpenFailureFacts f;
  f.valid_name = IsValidPathName(path);
  f.write_requested = write;
  DWORD attributes = GetFileAttributesW(W(path));
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    f.path_is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    f.file_read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  }
  if (HasDriveLetter(path)) {
    wchar_t root[4] = {static_cast<wchar_t>(path[0]), L':', L'\\', 0};
    f.drive_missing = GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR;
  }
  return f;
}

// The temporary folder, or the current folder when the system names none.
std::u16string TemporaryFolder() {
  std::u16string folder = UserTempFolder();
  return folder.empty() ? u".\\" : folder;
}

std::u16string FolderOf(const std::u16string& path) {
  std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? u"." : path.substr(0, slash);
}

}  // namespace

std::u16string WidenNarrowPath(std::string_view narrow) {
  if (!narrow.empty() && narrow[0] == '|') return Utf8ToUtf16(narrow.substr(1));
  if (narrow.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), wide.data(), n);
  return U(wide);
}

int FileObject::Fail(int code, DWORD system_error) {
  failure_ = ResultText(code);
  system_error_ = system_error;
  SetLastError(system_error);
  return code;
}

bool FileObject::FailText(std::string text, DWORD system_error) {
  failure_ = std::move(text);
  system_error_ = system_error;
  SetLastError(system_error);
  return false;
}

int FileObject::Open(std::string_view narrow_path, std::uint32_t flags, std::uint32_t attributes) {
  return Open(std::u16string_view(WidenNarrowPath(narrow_path)), flags | open_flags::kWidePath, attributes);
}

int FileObject::Open(std::u16string_view given, std::uint32_t flags, std::uint32_t attributes) {
  Close();
  OpenRequest request = DecodeOpenFlags(flags);
  std::u16string path(given);

  DWORD access = (request.read ? GENERIC_READ : 0) | (request.write ? GENERIC_WRITE : 0);
  DWORD share = (request.share_read ? FILE_SHARE_READ : 0) | (request.share_write ? FILE_SHARE_WRITE : 0);
  static constexpr DWORD kCreation[] = {OPEN_ALWAYS, OPEN_EXISTING, CREATE_NEW, CREATE_ALWAYS};
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, (flags & open_flags::kInheritable) ? TRUE : FALSE};

  // Where the file goes. A new temporary file is created exclusively with this call's access and
  // sharing, and its handle is kept: it is never opened again by name.
  UniqueHandle created;
  switch (request.placement) {
    case Placement::kAsGiven:
      break;
    case Placement::kNameInTempFolder:
      if (path.empty()) return Fail(kFileInvalidName, ERROR_INVALID_NAME);
      path = TemporaryFolder() + path;
      break;
    case Placement::kTempInTempFolder:
    case Placement::kTempInGivenFolder:
    case Placement::kTempBesidePath:
    case Placement::kTempWithExtension: {
      std::u16string folder = request.placement == Placement::kTempInGivenFolder ? path
                              : request.placement == Placement::kTempBesidePath ? FolderOf(path)
                                                                                 : TemporaryFolder();
      std::u16string extension = request.placement == Placement::kTempWithExtension ? path : std::u16string();
      CreatedTempFile temp = CreateTempFile(folder, extension,
                                            {access, share, attributes, (flags & open_flags::kInheritable) != 0});
      if (temp.path.empty()) return Fail(kFileUnknownError, GetLastError());
      path = std::move(temp.path);
      created = std::move(temp.handle);
      break;
    }
  }
  path_ = path;
  if (!IsValidPathName(path)) {
    int code = Fail(kFileInvalidName, ERROR_INVALID_NAME);
    if (flags & open_flags::kFatal)
      FatalError(FormatText(u"Failed to open required file:\r\n%s\r\n\r\n%s", {path, Utf8ToUtf16(ResultText(code))}));
    return code;
  }

  HANDLE h = INVALID_HANDLE_VALUE;
  DWORD error = 0;
  int retries = 0;
  bool retried_once = false;
  for (;;) {
    if (created) {
      h = created.release();
      break;
    }
    h = CreateFileW(W(path), access, share, &security, kCreation[static_cast<int>(request.creation)], attributes, nullptr);
    if (h != INVALID_HANDLE_VALUE) break;
    error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION && !(flags & open_flags::kNoSharingRetries) && retries < 5) {
      ++retries;
      Sleep(100);
      continue;
    }
    if ((flags & open_flags::kRetryOnce) && !retried_once && retries < 5) {
      retried_once = true;
      ++retries;  // the extra try counts towards the five
      Sleep(150);
      continue;
    }
    break;
  }
  if (h == INVALID_HANDLE_VALUE) {
    int code = Fail(MapOpenError(error, GatherFacts(path, request.write)), error);
    if (flags & open_flags::kFatal)
      FatalError(FormatText(u"Failed to open required file:\r\n%s\r\n\r\n%s", {path, Utf8ToUtf16(ResultText(code))}));
    return code;
  }
  handle_.reset(h);
  can_read_ = request.read;
  can_write_ = request.write;
  if ((flags & open_flags::kVerify) && !Verify()) {
    Close();
    return Fail(kFileReadFailed, system_error_ ? system_error_ : ERROR_READ_FAULT);
  }
  if (flags & open_flags::kSeekStart) Seek(0);
  if (flags & open_flags::kCloseAfterOpen) Close();
  failure_.clear();
  system_error_ = 0;
  return kFileOk;
}

// The check asked for by open_flags::kVerify: the handle is a file on a disk (not a device, pipe or
// console) and, when opened for reading, every byte of it can be read. That catches the files an
// installer cannot use even though they open: bad sectors, placeholders that fail to download,
// locked regions. The position is restored.
bool FileObject::Verify() {
  if (GetFileType(handle_.get()) != FILE_TYPE_DISK) return FailText("Not a disk file", ERROR_INVALID_HANDLE);
  if (!can_read_) return true;
  std::int64_t start = Tell();
  std::vector<std::uint8_t> buffer(1 << 16);
  Seek(0);
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(handle_.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr))
      return FailText("Verification read failed", GetLastError());
    if (n == 0) break;
  }
  Seek(start);
  return true;
}

bool FileObject::Read(void* buffer, std::int64_t size) {
  if (size == 0) return true;
  if (size < 0) return FailText(Narrow(FormatText(u"Illegal block size %d", {static_cast<long long>(size)})), ERROR_INVALID_PARAMETER);
  if (!buffer) return FailText("read(NULL)", ERROR_INVALID_PARAMETER);
  if (!is_open()) return FailText("File not open", ERROR_INVALID_HANDLE);
  if (!can_read_) return FailText("Read access denied", ERROR_ACCESS_DENIED);
  std::int64_t start = Tell();
  auto* p = static_cast<std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < size) {
    DWORD want = static_cast<DWORD>(std::min<std::int64_t>(size - done, kBlock));
    DWORD got = 0;
    if (!ReadFile(handle_.get(), p + done, want, &got, nullptr)) {
      DWORD e = GetLastError();
      Seek(start);
      return FailText(Narrow(SystemErrorText(e)), e);
    }
    if (got == 0) break;
    done += got;
  }
  if (done < size) {
    Seek(start);
    return FailText("Read past end of file", ERROR_HANDLE_EOF);
  }
  return true;
}

bool FileObject::Write(const void* buffer, std::int64_t size) {
  if (size == 0) return true;
  if (size < 0) return FailText("Illegal write size", ERROR_INVALID_PARAMETER);
  if (!is_open()) return FailText("File not open", ERROR_INVALID_HANDLE);
  if (!can_write_) return FailText("Write access denied", ERROR_ACCESS_DENIED);
  const auto* p = static_cast<const std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < size) {
    DWORD want = static_cast<DWORD>(std::min<std::int64_t>(size - done, kBlock));
    DWORD wrote = 0;
    SetLastError(0);
    if (!WriteFile(handle_.get(), p + done, want, &wrote, nullptr)) {
      DWORD e = GetLastError();
      return FailText(Narrow(SystemErrorText(e)), e);
    }
    if (wrote < want) {
      DWORD e = GetLastError();
      return FailText("Not all data could be written", e ? e : 5922);
    }
    done += wrote;
  }
  return true;
}

std::int64_t FileObject::Tell() const {
  LARGE_INTEGER zero{}, position{};
  if (!is_open() || !SetFilePointerEx(handle_.get(), zero, &position, FILE_CURRENT)) return -1;
  return position.QuadPart;
}

bool FileObject::Seek(std::int64_t offset, DWORD origin) {
  if (!is_open()) return FailText("File not open", ERROR_INVALID_HANDLE);
  LARGE_INTEGER to{};
  to.QuadPart = offset;
  if (!SetFilePointerEx(handle_.get(), to, nullptr, origin)) {
    DWORD e = GetLastError();
    return FailText(Narrow(SystemErrorText(e)), e);
  }
  return true;
}

void FileObject::Close() {
  handle_.reset();
  can_read_ = can_write_ = false;
}

bool FileObject::CloseAndDelete() {
  Close();
  if (path_.empty()) return true;
  // Deletion deferred to the next restart for files in use comes with the replacement service.
  if (!DeleteFileW(W(path_)) && GetLastError() != ERROR_FILE_NOT_FOUND) {
    DWORD e = GetLastError();
    return FailText(Narrow(SystemErrorText(e)), e);
  }
  return true;
}

}  // namespace mv
