#include "lib/file_security_win.h"

#include <windows.h>
#include <aclapi.h>

#include <cstdint>
#include <vector>

#include "lib/handle_win.h"
#include "lib/wide_win.h"

namespace mv {

namespace {

constexpr DWORD kRestrictive = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The Everyone group's SID.
struct WorldSid {
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_WORLD_SID_AUTHORITY;
  PSID sid = nullptr;
  WorldSid() { AllocateAndInitializeSid(&authority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid); }
  ~WorldSid() {
    if (sid) FreeSid(sid);
  }
  WorldSid(const WorldSid&) = delete;
  WorldSid& operator=(const WorldSid&) = delete;
};

// A security descriptor the system allocated with LocalAlloc.
struct LocalDescriptor {
  PSECURITY_DESCRIPTOR d = nullptr;
  ~LocalDescriptor() {
    if (d) LocalFree(d);
  }
};

// Enables (or, with `enable` false, restores) a privilege of the process token.
bool SetPrivilege(HANDLE token, const wchar_t* name, bool enable) {
  TOKEN_PRIVILEGES p{};
  p.PrivilegeCount = 1;
  if (!LookupPrivilegeValueW(nullptr, name, &p.Privileges[0].Luid)) return false;
  p.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  return AdjustTokenPrivileges(token, FALSE, &p, 0, nullptr, nullptr) && GetLastError() == ERROR_SUCCESS;
}

// Makes the process's user the owner of `name`, with the take-ownership and restore privileges
// enabled only for the change.
DWORD TakeOwnership(std::wstring& name) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return GetLastError();
  UniqueHandle token(raw);
  std::vector<std::uint8_t> user(256);
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenUser, user.data(), static_cast<DWORD>(user.size()), &size)) {
    user.resize(size);
    if (!GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) return GetLastError();
  }
  const bool take = SetPrivilege(token.get(), SE_TAKE_OWNERSHIP_NAME, true);
  const bool restore = SetPrivilege(token.get(), SE_RESTORE_NAME, true);
  const DWORD error = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                            reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, nullptr, nullptr,
                                            nullptr);
  if (take) SetPrivilege(token.get(), SE_TAKE_OWNERSHIP_NAME, false);
  if (restore) SetPrivilege(token.get(), SE_RESTORE_NAME, false);
  return error;
}

}  // namespace

std::vector<std::uint8_t> LoosenedAcl(PACL dacl, PSID world) {
  ACL_SIZE_INFORMATION info{};
  if (dacl && !GetAclInformation(dacl, &info, sizeof info, AclSizeInformation)) return {};
  const DWORD grant = sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(world);
  std::vector<std::uint8_t> buffer(sizeof(ACL) + (dacl ? info.AclBytesInUse : 0) + grant + 8);
  PACL acl = reinterpret_cast<PACL>(buffer.data());
  if (!InitializeAcl(acl, static_cast<DWORD>(buffer.size()), ACL_REVISION)) return {};
  // The grant goes first among the folder's own entries: no denying entry is left to precede it.
  if (!AddAccessAllowedAceEx(acl, ACL_REVISION, CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE, kLoosenedRights, world))
    return {};
  for (DWORD i = 0; dacl && i < info.AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    const auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE) continue;
    // Inherited entries are the parent's; the system adds them again when the list is stored.
    if (header->AceFlags & INHERITED_ACE) continue;
    // Everyone's own earlier entry is replaced by the grant.
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE &&
        EqualSid(&reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, world))
      continue;
    if (!AddAce(acl, ACL_REVISION, MAXDWORD, ace, header->AceSize)) return {};
  }
  return buffer;
}

unsigned long LoosenFolderSecurity(const std::u16string& folder) {
  if (folder.empty()) return ERROR_BAD_PATHNAME;
  const DWORD attributes = GetFileAttributesW(W(folder));
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_PATH_NOT_FOUND;
  ClearRestrictiveAttributes(folder);

  std::wstring name(W(folder));
  WorldSid world;
  if (!world.sid) return GetLastError();
  LocalDescriptor descriptor;
  PACL dacl = nullptr;
  DWORD error = GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                      &dacl, nullptr, &descriptor.d);
  if (error == ERROR_ACCESS_DENIED) {
    if (DWORD owned = TakeOwnership(name)) return owned;
    error = GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                  nullptr, &descriptor.d);
  }
  if (error) return error;

  std::vector<std::uint8_t> loosened = LoosenedAcl(dacl, world.sid);
  if (loosened.empty()) return GetLastError();
  PACL acl = reinterpret_cast<PACL>(loosened.data());
  error = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, acl,
                                nullptr);
  if (error == ERROR_ACCESS_DENIED) {
    if (DWORD owned = TakeOwnership(name)) return owned;
    error = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                  acl, nullptr);
  }
  return error;
}

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
