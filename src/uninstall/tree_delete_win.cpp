#include "uninstall/tree_delete_win.h"

#include <windows.h>

#include <vector>

#include "base/path.h"
#include "lib/special_folders_win.h"
#include "lib/wide_win.h"

namespace mv {
namespace {

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

void ClearAttributes(const std::u16string& path, DWORD attributes) {
  const DWORD cleared = attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  if (cleared != attributes) SetFileAttributesW(W(path), cleared ? cleared : FILE_ATTRIBUTE_NORMAL);
}

// A link to a folder is removed as a folder entry; should the system refuse that, as a file.
bool RemoveLink(const std::u16string& path) {
  return RemoveDirectoryW(W(path)) || DeleteFileW(W(path));
}

bool DeleteContents(const std::u16string& folder, int depth) {
  if (depth > 200) return false;
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW(W(JoinPath(folder, u"*")), &found);
  if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  bool ok = true;
  do {
    const std::u16string name = reinterpret_cast<const char16_t*>(found.cFileName);
    if (name == u"." || name == u"..") continue;
    const std::u16string path = JoinPath(folder, name);
    ClearAttributes(path, found.dwFileAttributes);
    if (IsLink(found.dwFileAttributes)) {
      ok = RemoveLink(path) && ok;
    } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = DeleteContents(path, depth + 1) && RemoveDirectoryW(W(path)) && ok;
    } else {
      ok = DeleteFileW(W(path)) && ok;
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return ok;
}

}  // namespace

TreeVerdict TreeDeletionVerdict(const std::u16string& folder) {
  std::vector<std::u16string> guarded = {WindowsFolder(), WindowsSystemFolder(), ProgramFilesFolder(false),
                                         ProgramFilesFolder(true), CommonFilesFolder(false), CommonFilesFolder(true)};
  for (SpecialFolder f : {SpecialFolder::kProfile, SpecialFolder::kAppData, SpecialFolder::kCommonAppData,
                          SpecialFolder::kDesktop, SpecialFolder::kCommonDesktop, SpecialFolder::kDocuments,
                          SpecialFolder::kCommonDocuments, SpecialFolder::kStartMenu, SpecialFolder::kCommonStartMenu,
                          SpecialFolder::kPrograms, SpecialFolder::kCommonPrograms, SpecialFolder::kFonts})
    guarded.push_back(GetSpecialFolder(f));
  return GuardedFolderVerdict(folder, guarded);
}

bool DeleteTreeGuarded(const std::u16string& folder) {
  if (TreeDeletionVerdict(folder) != TreeVerdict::kAllowed) return false;
  const DWORD attributes = GetFileAttributesW(W(folder));
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  ClearAttributes(folder, attributes);
  if (IsLink(attributes)) return RemoveLink(folder);  // the folder itself is a link: only the link goes
  DeleteContents(folder, 0);
  return RemoveDirectoryW(W(folder)) != 0;
}

bool RemoveEmptyFolder(const std::u16string& folder) {
  if (StripTrailingBackslash(folder).size() <= 3) return false;
  const DWORD attributes = GetFileAttributesW(W(folder));
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  ClearAttributes(folder, attributes);
  if (IsLink(attributes)) return RemoveLink(folder);
  for (const char16_t* name : {u"thumbs.db", u"desktop.ini"}) {
    const std::u16string path = JoinPath(folder, name);
    const DWORD a = GetFileAttributesW(W(path));
    if (a == INVALID_FILE_ATTRIBUTES || (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) continue;
    ClearAttributes(path, a);
    DeleteFileW(W(path));
  }
  return RemoveDirectoryW(W(folder)) != 0;
}

}  // namespace mv
