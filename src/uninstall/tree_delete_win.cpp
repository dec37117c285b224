#include "uninstall/tree_delete_win.h"

#include <windows.h>

#include <optional>
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

// A link is removed as a folder entry; should the system refuse that, as a file; and last through a
// handle to the link itself (never to what it points to) that deletes it when closed.
bool RemoveLink(const std::u16string& path) {
  if (RemoveDirectoryW(W(path)) || DeleteFileW(W(path))) return true;
  HANDLE link = CreateFileW(W(path), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (link == INVALID_HANDLE_VALUE) return false;
  FILE_DISPOSITION_INFO disposition{TRUE};
  const bool marked = SetFileInformationByHandle(link, FileDispositionInfo, &disposition, sizeof(disposition));
  CloseHandle(link);
  return marked && GetFileAttributesW(W(path)) == INVALID_FILE_ATTRIBUTES;
}

// A folder's identity: its file index. The volume is left out on purpose: one folder reached
// through two drive letters (as Wine's drives can) may report two volume numbers, and a false match
// only makes the deletion refuse.
std::optional<std::uint64_t> FolderIdentity(const std::u16string& path) {
  HANDLE h = CreateFileW(W(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!ok) return std::nullopt;
  return (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// Whether `folder` is, under another name, a guarded folder or one that holds a guarded folder.
bool IsGuardedByIdentity(const std::u16string& folder, const std::vector<std::u16string>& guarded) {
  const std::optional<std::uint64_t> mine = FolderIdentity(folder);
  if (!mine) return false;
  for (const std::u16string& g : guarded) {
    for (std::u16string up = StripTrailingBackslash(g); !up.empty(); up = ParentFolder(up, 1)) {
      if (FolderIdentity(up) == mine) return true;
      if (up.size() <= 3) break;
    }
  }
  return false;
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
      const bool emptied = DeleteContents(path, depth + 1);
      ok = RemoveDirectoryW(W(path)) && emptied && ok;
    } else {
      ok = DeleteFileW(W(path)) && ok;
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return ok;
}

std::vector<std::u16string> GuardedFolders() {
  std::vector<std::u16string> guarded = {WindowsFolder(), WindowsSystemFolder(), ProgramFilesFolder(false),
                                         ProgramFilesFolder(true), CommonFilesFolder(false), CommonFilesFolder(true)};
  for (SpecialFolder f : {SpecialFolder::kProfile, SpecialFolder::kAppData, SpecialFolder::kCommonAppData,
                          SpecialFolder::kDesktop, SpecialFolder::kCommonDesktop, SpecialFolder::kDocuments,
                          SpecialFolder::kCommonDocuments, SpecialFolder::kStartMenu, SpecialFolder::kCommonStartMenu,
                          SpecialFolder::kPrograms, SpecialFolder::kCommonPrograms, SpecialFolder::kStartup,
                          SpecialFolder::kCommonStartup, SpecialFolder::kFavorites, SpecialFolder::kCommonFavorites,
                          SpecialFolder::kFonts})
    guarded.push_back(GetSpecialFolder(f));
  return guarded;
}

}  // namespace

TreeVerdict TreeDeletionVerdict(const std::u16string& folder) {
  const std::vector<std::u16string> guarded = GuardedFolders();
  const TreeVerdict by_name = GuardedFolderVerdict(folder, guarded);
  if (by_name != TreeVerdict::kAllowed) return by_name;
  return IsGuardedByIdentity(folder, guarded) ? TreeVerdict::kGuarded : TreeVerdict::kAllowed;
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
  // The system's own folders stay, also when a walk up from a removed folder finds one empty (an
  // emptied desktop or Startup folder): nothing of them is touched, not even their desktop.ini.
  if (TreeDeletionVerdict(folder) != TreeVerdict::kAllowed) return false;
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
