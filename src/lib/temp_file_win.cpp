#include "lib/temp_file_win.h"

#include <windows.h>

#include "lib/handle_win.h"

namespace mv {

namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

bool FolderExists(const std::u16string& folder) {
  const DWORD attributes = GetFileAttributesW(W(folder));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates `folder` and any missing parents; true when the folder exists afterwards.
bool EnsureFolder(std::u16string folder) {
  while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  if (FolderExists(folder)) return true;
  if (CreateDirectoryW(W(folder), nullptr)) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) return FolderExists(folder);
  if (error != ERROR_PATH_NOT_FOUND) return false;
  const std::size_t slash = folder.find_last_of(u"\\/");
  if (slash == std::u16string::npos || slash == 0) return false;
  std::u16string parent = folder.substr(0, slash);
  if (parent.size() == 2 && parent[1] == u':') return false;  // the drive itself is missing
  if (!EnsureFolder(std::move(parent))) return false;
  return CreateDirectoryW(W(folder), nullptr) || FolderExists(folder);
}

TempCreateResult CreateExclusive(const std::u16string& path) {
  UniqueHandle file(CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) return TempCreateResult::kCreated;
  switch (GetLastError()) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return TempCreateResult::kExists;
    case ERROR_ACCESS_DENIED:
      return TempCreateResult::kAccessDenied;
    default:
      return TempCreateResult::kOtherError;
  }
}

std::u16string TryGeneratedNames(std::u16string folder, std::u16string_view extension, bool give_up_on_denials) {
  TempNameAttempts attempts(give_up_on_denials);
  TempFolder current = TempFolder::kAsked;
  while (attempts.More()) {
    if (const TempFolder wanted = attempts.Folder(); wanted != current) {
      current = wanted;
      if (wanted == TempFolder::kUserTemp) {
        if (std::u16string temp = UserTempFolder(); !temp.empty()) folder = std::move(temp);
      } else if (wanted == TempFolder::kRootTemp && EnsureFolder(u"c:\\temp")) {
        folder = u"c:\\temp";
      }
    }
    std::u16string path = JoinTempPath(folder, TempFileName(ProcessTempNameGenerator().NextDigits(), extension));
    const TempCreateResult result = CreateExclusive(path);
    attempts.Record(result);
    if (result == TempCreateResult::kCreated) return path;
  }
  return {};
}

}  // namespace

std::u16string UserTempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(buffer), n);
}


TempNameGenerator& ProcessTempNameGenerator() {
  static TempNameGenerator generator;
  return generator;
}

std::u16string MakeTempName(std::u16string_view asked_folder, std::u16string_view extension) {
  std::u16string folder = asked_folder.empty() ? UserTempFolder() : std::u16string(asked_folder);
  if (folder.empty() || !EnsureFolder(folder)) return {};

  if (!extension.empty() && extension.front() == u'.') extension.remove_prefix(1);
  if (!extension.empty()) return TryGeneratedNames(std::move(folder), extension, false);

  wchar_t unique[MAX_PATH];
  if (GetTempFileNameW(W(folder), L"VQT", 0, unique)) return std::u16string(reinterpret_cast<const char16_t*>(unique));
  return TryGeneratedNames(std::move(folder), u"tmp", true);
}

}  // namespace mv
