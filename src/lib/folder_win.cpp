#include "lib/folder_win.h"

#include <windows.h>

#include "lib/wide_win.h"

namespace mv {

bool FolderExists(const std::u16string& folder) {
  const DWORD attributes = GetFileAttributesW(W(folder));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(W(path));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderChain(std::u16string folder) {
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
  if (!CreateFolderChain(std::move(parent))) return false;
  return CreateDirectoryW(W(folder), nullptr) || FolderExists(folder);
}

}  // namespace mv
