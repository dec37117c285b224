// Opening a folder to everyone, read back from the folder's own access list under Wine.
#include "lib/file_security_win.h"

#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <cstdint>
#include <string>
#include <vector>

#include "lib/wide_win.h"

namespace mv {
namespace {

struct Dacl {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL acl = nullptr;
  DWORD error = 0;
  explicit Dacl(const std::u16string& path) {
    std::wstring name(W(path));
    error = GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                                  nullptr, &descriptor);
  }
  ~Dacl() {
    if (descriptor) LocalFree(descriptor);
  }
};


std::u16string NewFolder(const char16_t* name) {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  std::u16string folder = U(std::wstring(temp)) + name;
  RemoveDirectoryW(W(folder));
  EXPECT_TRUE(CreateDirectoryW(W(folder), nullptr));
  return folder;
}

struct Sid {
  PSID sid = nullptr;
  Sid(SID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD a, DWORD b = 0) {
    AllocateAndInitializeSid(&authority, count, a, b, 0, 0, 0, 0, 0, 0, &sid);
  }
  ~Sid() { FreeSid(sid); }
};

struct Entry {
  BYTE type = 0;
  BYTE flags = 0;
  DWORD mask = 0;
  bool world = false;
  bool operator==(const Entry&) const = default;
};

std::vector<Entry> Entries(PACL acl, PSID world) {
  std::vector<Entry> entries;
  for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(acl, i, &ace)) continue;
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);  // same layout as the denied kind
    entries.push_back({allowed->Header.AceType, allowed->Header.AceFlags, allowed->Mask,
                       EqualSid(const_cast<DWORD*>(&allowed->SidStart), world) != FALSE});
  }
  return entries;
}

constexpr BYTE kInheritDown = CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE;

TEST(FolderSecurity, LoosenedListDropsDenialsAndGrantsEveryoneModifyWithoutPermissionRights) {
  Sid world(SECURITY_WORLD_SID_AUTHORITY, 1, SECURITY_WORLD_RID);
  Sid admins(SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
  std::vector<std::uint8_t> buffer(1024);
  PACL before = reinterpret_cast<PACL>(buffer.data());
  ASSERT_TRUE(InitializeAcl(before, static_cast<DWORD>(buffer.size()), ACL_REVISION));
  ASSERT_TRUE(AddAccessDeniedAce(before, ACL_REVISION, FILE_GENERIC_WRITE, world.sid));
  ASSERT_TRUE(AddAccessDeniedAce(before, ACL_REVISION, DELETE, admins.sid));
  ASSERT_TRUE(AddAccessAllowedAceEx(before, ACL_REVISION, kInheritDown, FILE_ALL_ACCESS, admins.sid));
  ASSERT_TRUE(AddAccessAllowedAce(before, ACL_REVISION, FILE_GENERIC_READ, world.sid));
  ASSERT_TRUE(AddAccessAllowedAceEx(before, ACL_REVISION, INHERITED_ACE, FILE_GENERIC_READ, admins.sid));

  std::vector<std::uint8_t> after = LoosenedAcl(before, world.sid);
  ASSERT_FALSE(after.empty());
  ASSERT_TRUE(IsValidAcl(reinterpret_cast<PACL>(after.data())));
  const std::vector<Entry> expected = {
      {ACCESS_ALLOWED_ACE_TYPE, kInheritDown, kLoosenedRights, true},
      {ACCESS_ALLOWED_ACE_TYPE, kInheritDown, FILE_ALL_ACCESS, false},
  };
  EXPECT_EQ(Entries(reinterpret_cast<PACL>(after.data()), world.sid), expected);

  // The rights themselves: read, write, execute and delete; never permissions or ownership.
  for (DWORD right : std::initializer_list<DWORD>{FILE_READ_DATA, FILE_WRITE_DATA, FILE_APPEND_DATA, FILE_EXECUTE,
                                                  DELETE, FILE_DELETE_CHILD, FILE_WRITE_ATTRIBUTES})
    EXPECT_EQ(kLoosenedRights & right, right) << std::hex << right;
  EXPECT_EQ(kLoosenedRights & (WRITE_DAC | WRITE_OWNER | GENERIC_ALL | ACCESS_SYSTEM_SECURITY), 0u);

  // An absent list gives the grant alone.
  std::vector<std::uint8_t> from_nothing = LoosenedAcl(nullptr, world.sid);
  ASSERT_FALSE(from_nothing.empty());
  EXPECT_EQ(Entries(reinterpret_cast<PACL>(from_nothing.data()), world.sid), std::vector<Entry>{expected.front()});
}

// The rights Everyone's allowing entries give on `path`.
DWORD WorldRights(const std::u16string& path, PSID world) {
  Dacl list(path);
  DWORD rights = 0;
  for (const Entry& e : Entries(list.acl, world))
    if (e.world && e.type == ACCESS_ALLOWED_ACE_TYPE) rights |= e.mask;
  return rights;
}

// Wine keeps no access list of its own on a folder: it shows one made from the folder's Unix mode.
// What it shows after the loosening must still let Everyone write and delete.
TEST(FolderSecurity, FolderOpenedUnderWine) {
  Sid world(SECURITY_WORLD_SID_AUTHORITY, 1, SECURITY_WORLD_RID);
  const std::u16string folder = NewFolder(u"mv-loosen-test");
  ASSERT_EQ(WorldRights(folder, world.sid) & FILE_WRITE_DATA, 0u) << "a new folder is not writable by everyone";
  SetFileAttributesW(W(folder), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);

  ASSERT_EQ(LoosenFolderSecurity(folder), 0u);

  EXPECT_EQ(GetFileAttributesW(W(folder)) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            0u);
  const DWORD rights = WorldRights(folder, world.sid);
  EXPECT_EQ(rights & (FILE_WRITE_DATA | DELETE), DWORD{FILE_WRITE_DATA | DELETE}) << std::hex << rights;
  EXPECT_EQ(rights & (WRITE_DAC | WRITE_OWNER), 0u) << std::hex << rights;
  SetFileAttributesW(W(folder), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(W(folder));
}

TEST(FolderSecurity, MissingFolderAndEmptyName) {
  EXPECT_EQ(LoosenFolderSecurity(u"C:\\mv-no-such-folder\\below"), static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(LoosenFolderSecurity(u"C:\\mv-no-such-folder"), static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(LoosenFolderSecurity(u""), static_cast<unsigned long>(ERROR_BAD_PATHNAME));
}

}  // namespace
}  // namespace mv
