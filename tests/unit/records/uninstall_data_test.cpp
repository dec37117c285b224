#include "records/uninstall_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "records/uninstall_file.h"

namespace mv {
namespace {

using Kind = UninstallEntryKind;
using Lines = std::vector<std::string>;

TEST(UninstallData, TwoFilesInOneNewFolderGiveOneFolderLine) {
  UninstallData data;
  EXPECT_TRUE(data.AddEntry(u"C:\\Program Files\\Acme\\a.exe", Kind::kFile));
  EXPECT_TRUE(data.AddEntry(u"C:\\Program Files\\Acme", Kind::kFolder));
  EXPECT_TRUE(data.AddEntry(u"C:\\Program Files\\Acme\\b.dll", Kind::kFile));
  EXPECT_FALSE(data.AddEntry(u"C:\\Program Files\\Acme", Kind::kFolder));
  EXPECT_FALSE(data.AddEntry(u"c:\\PROGRAM FILES\\acme", Kind::kFolder));
  // The 8-bit form of the same folder is the same folder.
  EXPECT_FALSE(data.AddEntry(std::string_view("C:\\Program files\\ACME"), Kind::kFolder));
  EXPECT_TRUE(data.AddEntry(u"C:\\Program Files\\Acme\\bin", Kind::kFolder));
  EXPECT_EQ(data.entries(), (Lines{"C:\\Program Files\\Acme\\a.exe", "~C:\\Program Files\\Acme",
                                   "C:\\Program Files\\Acme\\b.dll", "~C:\\Program Files\\Acme\\bin"}));
}

TEST(UninstallData, PrefixesAndTheEncodingOfEachKind) {
  UninstallData data;
  EXPECT_TRUE(data.AddEntry(u"C:\\Acme\\plain.txt", Kind::kFile));
  EXPECT_TRUE(data.AddEntry(u"C:\\Caf\u00E9\\menu.txt", Kind::kFile));
  EXPECT_TRUE(data.AddEntry(u"C:\\Caf\u00E9", Kind::kFolder));
  EXPECT_TRUE(data.AddEntry(u"\\HKLM\\Software\\Caf\u00E9\\Path", Kind::kRegistryValue));
  EXPECT_TRUE(data.AddEntry(u"\\HKLM\\Software\\Acme", Kind::kRegistryKey));
  EXPECT_TRUE(data.AddEntry(u"\\HKLM\\Software\\Classes\\CLSID\\{\u00E9}", Kind::kRegistryKey64));
  EXPECT_TRUE(data.AddEntry(std::string_view("C:\\Acme\\as-given\xE9.txt"), Kind::kFile));
  EXPECT_EQ(data.entries(), (Lines{
                                "C:\\Acme\\plain.txt",
                                "|C:\\Caf\xC3\xA9\\menu.txt",
                                "~|C:\\Caf\xC3\xA9",
                                "!\\HKLM\\Software\\Caf\xC3\xA9\\Path",  // UTF-8 without the marker
                                "^\\HKLM\\Software\\Acme",
                                "*|\\HKLM\\Software\\Classes\\CLSID\\{\xC3\xA9}",
                                "C:\\Acme\\as-given\xE9.txt",
                            }));
}

TEST(UninstallData, TextsThatCannotBeEntriesAreRefused) {
  UninstallData data;
  struct Case {
    std::u16string text;
    Kind kind;
    bool added;
  } cases[] = {
      {u"C:\\", Kind::kFile, false},  // under 4 bytes
      {u"C:\\a", Kind::kFile, true},
      {u"", Kind::kFolder, false},
      {u"\u20AC", Kind::kFile, true},  // one character, but "|" and three bytes of UTF-8
      {u"C:\\two\r\nlines", Kind::kFile, false},
      {u"C:\\lone\nfeed", Kind::kRegistryValue, false},
      {u"~C:\\looks like a folder", Kind::kFile, false},
      {u"!HKLM\\looks like a value", Kind::kFile, false},
      {u"[Strings]", Kind::kFile, false},
      {u"[Strings]", Kind::kFolder, true},  // "~[Strings]" is no header
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    EXPECT_EQ(data.AddEntry(c.text, c.kind), c.added);
  }
  EXPECT_EQ(data.entries(), (Lines{"C:\\a", "|\xE2\x82\xAC", "~[Strings]"}));
}

TEST(UninstallData, ClearForgetsTheFoldersToo) {
  UninstallData data;
  EXPECT_TRUE(data.AddEntry(u"C:\\Acme", Kind::kFolder));
  data.Clear();
  EXPECT_TRUE(data.entries().empty());
  EXPECT_TRUE(data.AddEntry(u"C:\\Acme", Kind::kFolder));
  EXPECT_EQ(data.entries(), Lines{"~C:\\Acme"});
}

TEST(UninstallData, FolderKeyDecidesWhichFoldersAreTheSame) {
  // A key that folds more than ASCII, as the system does.
  UninstallData data([](std::string_view path) {
    std::u16string key = PortableFolderKey(path);
    for (char16_t& c : key)
      if (c == u'\u00C9') c = u'\u00E9';
    return key;
  });
  EXPECT_TRUE(data.AddEntry(u"C:\\\u00C9t\u00E9", Kind::kFolder));
  EXPECT_FALSE(data.AddEntry(u"c:\\\u00E9T\u00C9", Kind::kFolder));
  EXPECT_EQ(PortableFolderKey("|C:\\\xC3\x89T\xC3\xA9"), u"c:\\\u00C9t\u00E9");
  EXPECT_EQ(PortableFolderKey("C:\\\xC9T\xE9"), u"c:\\\u00C9t\u00E9");
}

TEST(UninstallData, EntriesReadBackFromTheFile) {
  UninstallData data;
  data.AddEntry(u"C:\\Caf\u00E9\\a.txt", Kind::kFile);
  data.AddEntry(u"C:\\Caf\u00E9", Kind::kFolder);
  data.AddEntry(u"\\HKCU\\Software\\Acme\\Value", Kind::kRegistryValue);
  UninstallFile f;
  f.entries = data.entries();
  const UninstallFileResult read = ReadUninstallFile(ComposeUninstallFile(f));
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.file.entries, data.entries());
}

}  // namespace
}  // namespace mv
