// Uninstall.dat written into real folders under Wine.
#include "records/uninstall_data_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/handle_win.h"
#include "records_fixture.h"

namespace mv::testing {
namespace {

class UninstallDataTest : public RecordsTest {
 protected:
  void SetUp() override {
    RecordsTest::SetUp();
    ClearUninstallData();
    InstallContext& c = Context();
    c.install_dir = folder();
    c.settings.UninstallSubdir = u"uninstall";
    c.settings.HeaderTitle = u"Acme Setup";
    c.settings.RegistryScript = {'H', 0, 'K', 0, 'C', 0, 'U', 0, '\\', 0, 'A', 0};
    Language english{u"English", std::vector<std::u16string>(120)};
    english.texts[53] = u"Remove Acme\r\nand everything in it?";
    c.lists.Languages = {english};
    c.lists.CloseProgramList = {{u"AcmeWnd", u"", u"Acme", 2, kCloseAtInstall | kCloseAtUninstall},
                                {u"Other", u"", u"Other", 0, kCloseAtInstall}};
    c.lists.DeletionList = {{"%InstallDir%\\*.log", 0, "", 8}, {"C:\\only-at-install.txt", 0, "", 4}};
  }

  void TearDown() override {
    ClearUninstallData();
    RecordsTest::TearDown();
  }

  std::u16string uninstall_folder() const { return folder() + u"\\uninstall"; }
  std::u16string path() const { return uninstall_folder() + u"\\Uninstall.dat"; }
};

TEST_F(UninstallDataTest, WritesTheComposedFileAndReadsItBack) {
  ASSERT_TRUE(CreateDirectoryW(W(uninstall_folder()), nullptr));
  EXPECT_TRUE(AddUninstallEntry(folder() + u"\\Caf\u00E9\\a.txt", UninstallEntryKind::kFile));
  EXPECT_TRUE(AddUninstallEntry(folder() + u"\\Caf\u00E9", UninstallEntryKind::kFolder));
  // The system's case folding: "É" and "é" name the same folder.
  EXPECT_FALSE(AddUninstallEntry(folder() + u"\\CAF\u00C9", UninstallEntryKind::kFolder));
  EXPECT_TRUE(AddUninstallEntry(u"\\HKCU\\Software\\Acme\\Path", UninstallEntryKind::kRegistryValue));
  RunUninstallData().registry_records = u"HKLM\\Software\\Acme,Path,,,2\r\n";
  EXPECT_EQ(UninstallDataPath(), path());

  ASSERT_TRUE(WriteUninstallData());
  const std::string bytes = ReadAll(path());
  const UninstallFile expected = CurrentUninstallFile();
  EXPECT_EQ(bytes, ComposeUninstallFile(expected));
  EXPECT_EQ(FilesIn(uninstall_folder()), std::vector<std::u16string>{u"Uninstall.dat"});

  const UninstallFileResult read = ReadUninstallFile(bytes);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.file, expected);
  EXPECT_EQ(read.file.entries.size(), 3u);
  EXPECT_EQ(read.file.auto_close, (std::vector<AutoCloseEntry>{{u"AcmeWnd", u"", u"Acme", 2}}));
  EXPECT_EQ(read.file.conditional_deletions.size(), 1u);
  EXPECT_EQ(read.file.registry_script, u"HKCU\\A\r\nHKLM\\Software\\Acme,Path,,,2\r\n");
  ASSERT_GT(read.file.strings.size(), 7u);
  EXPECT_EQ(read.file.strings[7], (NumberedText{53, u"Remove Acme\r\nand everything in it?"}));
  EXPECT_EQ(read.file.strings.back(), (NumberedText{999, u"Acme Setup"}));
}

TEST_F(UninstallDataTest, ReplacesAReadOnlyFileWithNormalAttributes) {
  ASSERT_TRUE(CreateDirectoryW(W(uninstall_folder()), nullptr));
  ASSERT_TRUE(WriteAll(path(), "old contents\r\n"));
  ASSERT_TRUE(SetFileAttributesW(W(path()), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(WriteUninstallData());
  EXPECT_EQ(ReadAll(path()), ComposeUninstallFile(CurrentUninstallFile()));
  EXPECT_EQ(GetFileAttributesW(W(path())) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
}

TEST_F(UninstallDataTest, AFolderThatCannotBeWrittenReportsTheSystemError) {
  // The uninstall-data folder does not exist, and is not made here.
  SetLastError(0);
  EXPECT_FALSE(WriteUninstallData());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(Exists(uninstall_folder()));

  // A file held open without sharing cannot be replaced: the old contents stay whole and no new
  // file is left beside it.
  ASSERT_TRUE(CreateDirectoryW(W(uninstall_folder()), nullptr));
  ASSERT_TRUE(WriteAll(path(), "old contents\r\n"));
  {
    UniqueHandle held(CreateFileW(W(path()), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    SetLastError(0);
    EXPECT_FALSE(WriteUninstallData());
    const DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) << error;
  }
  EXPECT_EQ(ReadAll(path()), "old contents\r\n");
  EXPECT_EQ(FilesIn(uninstall_folder()), std::vector<std::u16string>{u"Uninstall.dat"});
}

}  // namespace
}  // namespace mv::testing
