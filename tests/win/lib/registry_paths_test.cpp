// Registry paths against the real registry of the Wine prefix: a scratch key under HKCU for the open
// options, a uniquely named key under HKLM\Software for the two views, and HKEY_USERS redirected
// into a scratch key with made-up hives for the every-user pseudo-root. Everything is deleted again.
#include "lib/registry_paths_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::wstring UniqueName() {
  return L"MarevaultTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
}

bool KeyExists(HKEY root, const std::wstring& subkey, REGSAM view = 0) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::wstring ReadValue(HKEY root, const std::wstring& subkey, const wchar_t* name) {
  wchar_t data[256] = {};
  DWORD size = sizeof(data);
  if (RegGetValueW(root, subkey.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"<none>";
  return data;
}

// A scratch key under HKCU\Software, deleted with everything below it at the end.
class ScratchKey {
 public:
  ScratchKey() : subkey_(L"Software\\" + UniqueName()) {}
  ~ScratchKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, subkey_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\MarevaultTests");  // only when nothing else is left in it
  }
  const std::wstring& subkey() const { return subkey_; }
  std::u16string path(const wchar_t* prefix = L"\\HKCU\\") const { return U16(prefix + subkey_); }

 private:
  std::wstring subkey_;
};

TEST(RegistryPaths, OpenOptions) {
  ScratchKey scratch;
  const std::u16string path = scratch.path() + u"\\Key";

  OpenedRegistryKey missing = OpenRegistryPath(path, RegistryOpen::kOpenOnly);
  EXPECT_EQ(missing.error, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(missing.key);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, scratch.subkey() + L"\\Key"));

  OpenedRegistryKey created = OpenRegistryPath(path, RegistryOpen::kCreateNew);
  ASSERT_TRUE(created) << created.error;
  EXPECT_TRUE(created.created);
  ASSERT_EQ(RegSetValueExW(created.key.get(), L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"v"), 4), ERROR_SUCCESS);
  created.key.reset();

  OpenedRegistryKey again = OpenRegistryPath(path, RegistryOpen::kCreateNew);
  EXPECT_EQ(again.error, ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(again.key);

  OpenedRegistryKey existing = OpenRegistryPath(path, RegistryOpen::kOpenOrCreate);
  ASSERT_TRUE(existing);
  EXPECT_FALSE(existing.created);

  // Any spelling of the root reaches the same key.
  for (const wchar_t* prefix : {L"\\hkcu\\", L"\\HKEY_CURRENT_USER\\", L"HkCu\\"}) {
    OpenedRegistryKey same = OpenRegistryPath(scratch.path(prefix) + u"\\Key", RegistryOpen::kOpenOnly);
    ASSERT_TRUE(same) << same.error;
    EXPECT_TRUE(same.key.ReadString(L"Name") == std::wstring(L"v"));
  }

  for (const char16_t* bad : {u"\\HKXX\\Software", u"\\HKCUX\\Software", u"HKCU/Software"}) {
    EXPECT_EQ(OpenRegistryPath(bad, RegistryOpen::kOpenOrCreate).error, ERROR_BAD_PATHNAME);
    EXPECT_EQ(SetRegistryString(bad, u"Name", u"v"), ERROR_BAD_PATHNAME);
  }
  // The every-user pseudo-root names no single key.
  EXPECT_EQ(OpenRegistryPath(u"\\HKAU\\Software", RegistryOpen::kOpenOnly).error, ERROR_BAD_PATHNAME);
}

TEST(RegistryPaths, ViewsAreSeparate) {
  // HKLM\Software is split between the views; a key made in one is absent from the other.
  const std::wstring subkey = L"Software\\MarevaultTests-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64());
  struct Case {
    REGSAM view, other;
  } cases[] = {{KEY_WOW64_64KEY, KEY_WOW64_32KEY}, {KEY_WOW64_32KEY, KEY_WOW64_64KEY}};
  for (const Case& c : cases) {
    ASSERT_EQ(SetRegistryString(U16(L"\\HKLM\\" + subkey), u"Name", u"x", c.view), ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, subkey, c.view));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, subkey, c.other));
    EXPECT_EQ(OpenRegistryPath(U16(L"\\HKLM\\" + subkey), RegistryOpen::kOpenOnly, c.other).error, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), c.view, 0), ERROR_SUCCESS);
  }
}

// HKEY_USERS redirected to a scratch key for the life of the object.
class FakeUsers {
 public:
  explicit FakeUsers(const ScratchKey& scratch) {
    RegCreateKeyExW(HKEY_CURRENT_USER, (scratch.subkey() + L"\\Users").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &users_, nullptr);
    for (const wchar_t* hive : kHives) {
      HKEY key = nullptr;
      RegCreateKeyExW(users_, hive, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
      RegCloseKey(key);
    }
    overridden_ = RegOverridePredefKey(HKEY_USERS, users_) == ERROR_SUCCESS;
  }
  ~FakeUsers() {
    RegOverridePredefKey(HKEY_USERS, nullptr);
    RegCloseKey(users_);
  }
  bool ok() const { return overridden_; }
  HKEY users() const { return users_; }

  static constexpr const wchar_t* kHives[] = {L".DEFAULT", L"S-1-5-21-7-7-7-1000", L"S-1-5-21-7-7-7-1001"};
  static constexpr const wchar_t* kClasses = L"S-1-5-21-7-7-7-1000_Classes";

 private:
  HKEY users_ = nullptr;
  bool overridden_ = false;
};

TEST(RegistryPaths, AllUsersReachEveryHive) {
  ScratchKey scratch;
  FakeUsers users(scratch);
  ASSERT_TRUE(users.ok());
  HKEY classes = nullptr;
  ASSERT_EQ(RegCreateKeyExW(users.users(), FakeUsers::kClasses, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classes, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(classes);

  ASSERT_EQ(CreateRegistryKey(u"\\HKAU\\Software\\Acme\\Empty"), ERROR_SUCCESS);
  ASSERT_EQ(SetRegistryString(u"\\HKAU\\Software\\Acme", u"Name", u"every user"), ERROR_SUCCESS);
  for (const wchar_t* hive : FakeUsers::kHives) {
    EXPECT_TRUE(KeyExists(users.users(), std::wstring(hive) + L"\\Software\\Acme\\Empty")) << hive;
    EXPECT_EQ(ReadValue(users.users(), std::wstring(hive) + L"\\Software\\Acme", L"Name"), L"every user") << hive;
  }
  EXPECT_FALSE(KeyExists(users.users(), std::wstring(FakeUsers::kClasses) + L"\\Software"));

  // One hive without the value: the others still lose theirs, and its error is the result.
  RegDeleteKeyValueW(users.users(), (std::wstring(FakeUsers::kHives[1]) + L"\\Software\\Acme").c_str(), L"Name");
  EXPECT_EQ(DeleteRegistryValue(u"\\HKAU\\Software\\Acme", u"Name"), ERROR_FILE_NOT_FOUND);
  for (const wchar_t* hive : FakeUsers::kHives)
    EXPECT_EQ(ReadValue(users.users(), std::wstring(hive) + L"\\Software\\Acme", L"Name"), L"<none>") << hive;

  // Keeping existing values: a hive that has one keeps it, the others get the new one.
  ASSERT_EQ(SetRegistryString(u"\\HKAU\\Software\\Acme", u"Name", u"new"), ERROR_SUCCESS);
  ASSERT_EQ(RegSetKeyValueW(users.users(), (std::wstring(FakeUsers::kHives[1]) + L"\\Software\\Acme").c_str(), L"Name",
                            REG_SZ, L"old", 8),
            ERROR_SUCCESS);
  RegDeleteKeyValueW(users.users(), (std::wstring(FakeUsers::kHives[0]) + L"\\Software\\Acme").c_str(), L"Name");
  const std::u16string kept = u"kept";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(kept.c_str());
  ASSERT_EQ(SetRegistryValue(u"\\HKAU\\Software\\Acme", u"Name", REG_SZ, {bytes, 10}, 0, ExistingValue::kKeep),
            ERROR_SUCCESS);
  EXPECT_EQ(ReadValue(users.users(), std::wstring(FakeUsers::kHives[0]) + L"\\Software\\Acme", L"Name"), L"kept");
  EXPECT_EQ(ReadValue(users.users(), std::wstring(FakeUsers::kHives[1]) + L"\\Software\\Acme", L"Name"), L"old");
  EXPECT_EQ(ReadValue(users.users(), std::wstring(FakeUsers::kHives[2]) + L"\\Software\\Acme", L"Name"), L"new");

  // A hive's missing key is not created by a delete.
  EXPECT_EQ(DeleteRegistryValue(u"\\HKAU\\Software\\Nothing", u"Name"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(KeyExists(users.users(), std::wstring(FakeUsers::kHives[0]) + L"\\Software\\Nothing"));
}

}  // namespace
}  // namespace mv
