#include "lib/folder_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "base/path.h"
#include "base/text.h"

namespace mv {
namespace {

std::string Narrow(std::u16string_view s) { return Utf16ToUtf8(s); }

TEST(FolderRules, FolderSourcesInOrder) {
  int asked_after_winner = 0;
  EXPECT_EQ(FirstFolder({[] { return std::u16string(); }, [] { return std::u16string(u"C:\\Users\\Me\\Desktop\\"); },
                         [&] { ++asked_after_winner; return std::u16string(u"unused"); }}),
            u"C:\\Users\\Me\\Desktop");
  EXPECT_EQ(asked_after_winner, 0);
  // Shell function and Shell Folders value both empty: the fallback serves.
  EXPECT_EQ(FirstFolder({[] { return std::u16string(); }, [] { return std::u16string(); },
                         [] { return JoinPath(u"C:\\Windows", u"Desktop"); }}),
            u"C:\\Windows\\Desktop");
  EXPECT_EQ(FirstFolder({[] { return std::u16string(); }}), u"");
}

TEST(FolderRules, DriverAndBootFolders) {
  struct Device {
    std::u16string value, out;
  } devices[] = {
      {u"%SystemRoot%\\inf;D:\\drivers", u"C:\\Windows\\inf"},
      {u"%systemroot%\\INF", u"C:\\Windows\\INF"},
      {u"D:\\drivers", u"D:\\drivers"},
      {u"", u"C:\\Windows\\INF"},
      {u";D:\\drivers", u"C:\\Windows\\INF"},
  };
  for (const auto& d : devices) EXPECT_EQ(DeviceFolder(d.value, u"C:\\Windows"), d.out) << Narrow(d.value);

  EXPECT_EQ(BootDriveLetter(u"d:\\"), u'D');
  EXPECT_EQ(BootDriveLetter(u"E:"), u'E');
  for (const std::u16string not_drive : {u"", u"\\\\server\\boot", u"1:\\", u"C"}) EXPECT_EQ(BootDriveLetter(not_drive), u'C');
}

TEST(FolderRules, DriveFacts) {
  EXPECT_TRUE(IsNetworkLocation(u"\\\\server\\share\\setup.exe", 1));
  EXPECT_TRUE(IsNetworkLocation(u"Z:\\setup.exe", kDriveRemote));
  EXPECT_FALSE(IsNetworkLocation(u"C:\\setup.exe", 3));
  for (unsigned type : {kDriveRemovable, kDriveCdRom, kDriveRamDisk}) EXPECT_TRUE(IsRemovableLikeDrive(type));
  for (unsigned type : {0u, 1u, 3u, kDriveRemote}) EXPECT_FALSE(IsRemovableLikeDrive(type));
}

}  // namespace
TEST(FolderRules, RegistryFolderNormalised) {
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"C:\\Apps\\Acme\\", u"C:\\Apps\\Acme"},
      {u"  \"C:\\Apps\\Acme\"  ", u"C:\\Apps\\Acme"},
      {u"C:\\", u"C:\\"},
      {u"\\\\server\\share\\", u"\\\\server\\share"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(NormaliseFolder(c.in), c.out);
}

}  // namespace mv
