#include "base/path.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"

namespace mv {
namespace {

std::string Narrow(std::u16string_view s) { return Utf16ToUtf8(s); }

TEST(Paths, Pieces) {
  struct Case {
    std::u16string path, drive, folder, name;
  } cases[] = {
      {u"C:\\Downloads\\setup.exe", u"C:", u"C:\\Downloads", u"setup.exe"},
      {u"d:\\setup.exe", u"d:", u"d:\\", u"setup.exe"},
      {u"\\\\server\\share\\setup.exe", u"", u"\\\\server\\share", u"setup.exe"},
      {u"setup.exe", u"", u"", u"setup.exe"},
      {u"C:/Temp/a.exe", u"C:", u"C:/Temp", u"a.exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DriveOf(c.path), c.drive) << Narrow(c.path);
    EXPECT_EQ(FolderOf(c.path), c.folder) << Narrow(c.path);
    EXPECT_EQ(FileNameOf(c.path), c.name) << Narrow(c.path);
  }
  EXPECT_EQ(JoinPath(u"C:\\", u"Desktop"), u"C:\\Desktop");
  EXPECT_EQ(JoinPath(u"C:\\Users\\Public\\Desktop", u""), u"C:\\Users\\Public\\Desktop");
}

TEST(Paths, TrailingBackslashAndParents) {
  struct Case {
    std::u16string in, out;
  } strip[] = {{u"C:\\Data\\", u"C:\\Data"}, {u"C:\\Data", u"C:\\Data"}, {u"C:\\", u"C:\\"},
               {u"\\\\server\\share\\", u"\\\\server\\share"}, {u"", u""}, {u"D:", u"D:"}};
  for (const auto& c : strip) EXPECT_EQ(StripTrailingBackslash(c.in), c.out) << Narrow(c.in);

  const std::u16string startup = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
  EXPECT_EQ(ParentFolder(startup, 1), u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
  EXPECT_EQ(ParentFolder(startup + u"\\", 2), u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu");
  EXPECT_EQ(ParentFolder(u"C:\\Start", 1), u"C:\\");
  EXPECT_EQ(ParentFolder(u"C:\\Start", 2), u"");
  EXPECT_EQ(ParentFolder(u"Startup", 1), u"");
}

}  // namespace
}  // namespace mv
