// Folder removal for the uninstaller on this system.
#include "uninstall/tree_delete_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/codepage.h"
#include "base/path.h"
#include "lib/file_object_win.h"
#include "lib/special_folders_win.h"
#include "lib/wide_win.h"

namespace mv {
namespace {

bool Exists(const std::u16string& path) { return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES; }

bool IsEmptyFolder(const std::u16string& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW(W(JoinPath(folder, u"*")), &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool empty = true;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") empty = false;
  } while (empty && FindNextFileW(find, &found));
  FindClose(find);
  return empty;
}

TEST(RemoveEmptyFolder, RemovesAFolderOfItsOwnButNeverTheSystemsOwnFolders) {
  // An emptied folder of the product goes, with the desktop.ini the shell left in it.
  const std::u16string own = JoinPath(TempFolder(), u"mv-empty-" + WidenNarrowPath(std::to_string(GetCurrentProcessId())));
  ASSERT_TRUE(CreateDirectoryW(W(own), nullptr));
  HANDLE ini = CreateFileW(W(JoinPath(own, u"desktop.ini")), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(ini, INVALID_HANDLE_VALUE);
  CloseHandle(ini);
  EXPECT_TRUE(RemoveEmptyFolder(own));
  EXPECT_FALSE(Exists(own));

  // The user's Startup and Favorites folders are empty in a fresh prefix, as a walk up from a removed
  // link's sub-folder may find them: they stay.
  for (SpecialFolder f : {SpecialFolder::kStartup, SpecialFolder::kFavorites}) {
    const std::u16string folder = GetSpecialFolder(f);
    ASSERT_FALSE(folder.empty());
    CreateDirectoryW(W(folder), nullptr);
    ASSERT_TRUE(IsEmptyFolder(folder)) << ToNarrowPath(folder);
    EXPECT_FALSE(RemoveEmptyFolder(folder)) << ToNarrowPath(folder);
    EXPECT_TRUE(Exists(folder)) << ToNarrowPath(folder);
    CreateDirectoryW(W(folder), nullptr);  // put back for the session's other tests if it went
  }
}

}  // namespace
}  // namespace mv
