#include "lib/atomic_file_win.h"

#include <windows.h>

#include <algorithm>

#include "lib/file_security_win.h"
#include "lib/handle_win.h"
#include "lib/temp_file_win.h"
#include "lib/temp_name.h"
#include "lib/wide_win.h"

namespace mv {

namespace {

std::uint32_t Result(DWORD error) {
  SetLastError(error);
  return error;
}

// A new empty file in `folder` under a generated name, created exclusively; an invalid handle with
// the last error set when none could be made.
UniqueHandle CreateNewFileIn(const std::u16string& folder, std::u16string& path) {
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    path = JoinTempPath(folder, TempFileName(ProcessTempNameGenerator().NextDigits(), u"tmp"));
    UniqueHandle file(CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return file;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return {};
  }
  SetLastError(ERROR_FILE_EXISTS);
  return {};
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  constexpr std::size_t kBlock = 1u << 20;
  while (!bytes.empty()) {
    const DWORD size = static_cast<DWORD>(std::min(bytes.size(), kBlock));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), size, &written, nullptr)) return false;
    if (written != size) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    bytes.remove_prefix(size);
  }
  return true;
}

}  // namespace

std::uint32_t WriteFileAtomically(const std::u16string& path, std::string_view bytes) {
  const std::size_t slash = path.find_last_of(u"\\/");
  const std::u16string folder = slash == std::u16string::npos ? u"." : path.substr(0, slash);

  std::u16string temp;
  UniqueHandle file = CreateNewFileIn(folder, temp);
  if (!file) return Result(GetLastError());
  if (!WriteAll(file.get(), bytes) || !FlushFileBuffers(file.get())) {
    const DWORD error = GetLastError();
    file.reset();
    DeleteFileW(W(temp));
    return Result(error);
  }
  file.reset();
  // A read-only target could not be replaced; the new file has normal attributes anyway.
  ClearRestrictiveAttributes(path);
  if (!MoveFileExW(W(temp), W(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(W(temp));
    return Result(error);
  }
  return Result(ERROR_SUCCESS);
}

}  // namespace mv
