#include "app/install_dir.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(InstallDir, DefaultFolderPlacement) {
  FolderFacts facts{u"C:\\Windows", u"C:\\Program Files (x86)", u"C:\\Program Files"};
  auto same = [](std::u16string s) { return s; };
  struct Case {
    std::u16string setting;
    int bitness;
    std::u16string expected;
  } cases[] = {
      {u"Hello", 0, u"C:\\Program Files (x86)\\Hello"},
      {u"Hello", 2, u"C:\\Program Files (x86)\\Hello"},
      {u"Hello", 1, u"C:\\Program Files\\Hello"},
      {u"Acme\\Hello", 1, u"C:\\Program Files\\Acme\\Hello"},
      {u"D:\\Apps\\Hello", 1, u"D:\\Apps\\Hello"},
      {u"\\\\server\\share\\Hello", 0, u"\\\\server\\share\\Hello"},
      {u"<os>\\Hello", 0, u"C:\\Windows\\Hello"},
      {u"<master>", 0, u"<master>"},
      {u"HKLM\\Software\\Acme\\Path", 0, u"HKLM\\Software\\Acme\\Path"},
      {u"hkcu\\Software\\Acme\\Path", 1, u"hkcu\\Software\\Acme\\Path"},
      {u"HKLMX\\Software", 0, u"C:\\Program Files (x86)\\HKLMX\\Software"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PlaceDefaultInstallDir(c.setting, facts, c.bitness, same), c.expected);

  // Without a native Program Files folder (32-bit Windows) a 64-bit product stays in the only one.
  FolderFacts x86{u"C:\\Windows", u"C:\\Program Files", u""};
  EXPECT_EQ(PlaceDefaultInstallDir(u"Hello", x86, 1, same), u"C:\\Program Files\\Hello");
  // Variables are expanded after "<os>" is replaced and before the placement.
  auto expand = [](std::u16string s) { return s == u"%Name%" ? std::u16string(u"Hello") : s; };
  EXPECT_EQ(PlaceDefaultInstallDir(u"%Name%", facts, 0, expand), u"C:\\Program Files (x86)\\Hello");
}

// With no Program Files folder known (a bare environment, a failed lookup) the result is still a full
// path: a relative one would resolve against whatever folder the installer runs in.
TEST(InstallDir, NeverRelative) {
  auto same = [](std::u16string s) { return s; };
  struct Case {
    FolderFacts facts;
    int bitness;
    std::u16string expected;
  } cases[] = {
      {{u"", u"", u""}, 0, u"C:\\Program Files\\Hello"},
      {{u"", u"", u""}, 1, u"C:\\Program Files\\Hello"},
      {{u"D:\\Windows", u"", u""}, 0, u"D:\\Program Files\\Hello"},
      {{u"D:\\Windows", u"Program Files", u""}, 0, u"D:\\Program Files\\Hello"},  // a relative folder is no folder
      {{u"C:\\Windows", u"", u"C:\\Program Files"}, 1, u"C:\\Program Files\\Hello"},
  };
  for (const auto& c : cases) {
    const std::u16string placed = PlaceDefaultInstallDir(u"Hello", c.facts, c.bitness, same);
    EXPECT_EQ(placed, c.expected);
    EXPECT_TRUE(IsAbsoluteFolder(placed));
  }
}

}  // namespace
}  // namespace mv
