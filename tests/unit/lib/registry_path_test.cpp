#include "lib/registry_path.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(RegistryPath, RootsAndSubkeys) {
  using R = RegistryRoot;
  struct Case {
    std::u16string path;
    R root;
    std::u16string subkey;
  } cases[] = {
      {u"\\HKLM\\Software\\Microsoft", R::kLocalMachine, u"Software\\Microsoft"},
      {u"\\hklm\\Software", R::kLocalMachine, u"Software"},
      {u"HKEY_CURRENT_USER\\Software\\Acme", R::kCurrentUser, u"Software\\Acme"},
      {u"\\Hkey_Classes_Root\\.txt", R::kClassesRoot, u".txt"},
      {u"\\HKU\\.DEFAULT", R::kUsers, u".DEFAULT"},
      {u"\\HKCC\\System", R::kCurrentConfig, u"System"},
      {u"\\HKEY_DYN_DATA", R::kDynData, u""},
      {u"\\HKAU\\Software\\Acme", R::kAllUsers, u"Software\\Acme"},
  };
  for (const auto& c : cases) {
    auto p = ParseRegistryPath(c.path);
    ASSERT_TRUE(p) << std::string(c.path.begin(), c.path.end());
    EXPECT_EQ(p->root, c.root);
    EXPECT_EQ(p->subkey, c.subkey);
  }
  for (const char16_t* bad : {u"\\HKLMX\\Software", u"\\HKXX\\Software", u"", u"\\", u"HKLM/Software", u"\\HKEY_AU\\x"})
    EXPECT_FALSE(ParseRegistryPath(bad)) << std::u16string(bad).size();
}

TEST(RegistryPath, AllUsersHives) {
  for (const char16_t* hive : {u".DEFAULT", u"S-1-5-18", u"S-1-5-21-1-2-3-1000", u"Classes"})
    EXPECT_TRUE(IsAllUsersHive(hive)) << std::u16string(hive).size();
  for (const char16_t* other : {u"S-1-5-21-1-2-3-1000_Classes", u"S-1-5-21-1-2-3-1000_classes", u"_Classes", u""})
    EXPECT_FALSE(IsAllUsersHive(other)) << std::u16string(other).size();
}

}  // namespace
TEST(RegistryPath, ValuePathSplitsAtTheLastBackslash) {
  RegistryValuePath p = SplitRegistryValuePath(u"HKLM\\Software\\Acme\\InstallPath");
  EXPECT_EQ(p.key, u"HKLM\\Software\\Acme");
  EXPECT_EQ(p.value, u"InstallPath");
  EXPECT_EQ(SplitRegistryValuePath(u"HKLM\\Software\\Acme\\").value, u"");
  EXPECT_EQ(SplitRegistryValuePath(u"NoSlash").key, u"");

}

}  // namespace mv
