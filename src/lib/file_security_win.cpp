#include "lib/file_security_win.h"

#include <windows.h>
#include <aclapi.h>

#include "lib/wide_win.h"

namespace mv {

namespace {

constexpr DWORD kRestrictive = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

}  // namespace

bool ClearRestrictiveAttributes(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(W(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & kRestrictive)) return true;
  DWORD kept = attributes & ~kRestrictive;
  if (kept == 0) kept = FILE_ATTRIBUTE_NORMAL;
  return SetFileAttributesW(W(path), kept) != 0;
}

bool InheritFolderPermissions(const std::u16string& path) {
  // An empty list of the file's own entries, marked as not protected from inheritance: the
  // system then fills in what the folder passes down.
  ACL empty;
  if (!InitializeAcl(&empty, sizeof empty, ACL_REVISION)) return false;
  std::wstring name(W(path));
  return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                               DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                               &empty, nullptr) == ERROR_SUCCESS;
}

}  // namespace mv
