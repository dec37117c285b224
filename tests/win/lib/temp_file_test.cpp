// Temporary files against real folders under Wine.
#include "lib/wide_win.h"
#include "lib/temp_file_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/handle_win.h"

namespace mv {
namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
std::u16string U(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }

std::u16string UserTemp() {
  wchar_t buffer[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, buffer);
  return U(buffer);
}

bool Exists(const std::u16string& path) { return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES; }

// The size of a file, or -1 when it cannot be opened.
long long FileSize(const std::u16string& path) {
  UniqueHandle file(CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
  LARGE_INTEGER size{};
  return file && GetFileSizeEx(file.get(), &size) ? size.QuadPart : -1;
}

std::u16string FolderOf(const std::u16string& path) { return path.substr(0, path.find_last_of(u'\\')); }
std::u16string NameOf(const std::u16string& path) { return path.substr(path.find_last_of(u'\\') + 1); }

// "VQT", four upper-case hex digits, "." and `extension`.
bool IsTempName(const std::u16string& name, const std::u16string& extension) {
  if (name.size() != 8 + extension.size() || name.compare(0, 3, u"VQT") != 0 || name[7] != u'.') return false;
  for (int i = 3; i < 7; ++i) {
    if (!((name[i] >= u'0' && name[i] <= u'9') || (name[i] >= u'A' && name[i] <= u'F'))) return false;
  }
  return name.substr(8) == extension;
}

// A name the system made with the prefix "VQT": one to four hex digits (in either case) and ".tmp"
// (Windows writes "VQT1A2B.TMP", Wine "VQT1a2b.tmp").
bool IsSystemTempName(const std::u16string& name) {
  const std::size_t dot = name.find(u'.');
  if (name.compare(0, 3, u"VQT") != 0 || dot == std::u16string::npos || dot < 4 || dot > 7) return false;
  for (std::size_t i = 3; i < dot; ++i) {
    if (!iswxdigit(static_cast<wint_t>(name[i]))) return false;
  }
  return CompareStringOrdinal(W(name.substr(dot)), -1, L".tmp", -1, TRUE) == CSTR_EQUAL;
}

// The names MakeTempName will try next, foretold from a copy of the process-wide generator.
std::vector<std::u16string> NextNames(int count, const std::u16string& extension) {
  TempNameGenerator copy = ProcessTempNameGenerator();
  std::vector<std::u16string> names;
  for (int i = 0; i < count; ++i) names.push_back(TempFileName(copy.NextDigits(), extension));
  return names;
}

// Files and folders made by a test, removed afterwards (files first, then folders, deepest first).
class Cleanup {
 public:
  ~Cleanup() {
    for (const auto& f : files_) DeleteFileW(W(f));
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveDirectoryW(W(*it));
  }
  void File(std::u16string path) { files_.push_back(std::move(path)); }
  void Folder(std::u16string path) { folders_.push_back(std::move(path)); }

 private:
  std::vector<std::u16string> files_, folders_;
};

// Creates `path` with `content` unless it exists; true when this call made it.
bool Plant(const std::u16string& path, const std::string& content) {
  UniqueHandle file(CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

class TempFile : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    folder_ = UserTemp() + u"mv-temp-" + U(std::to_wstring(GetCurrentProcessId()).c_str()) + u"-" +
              U(std::to_wstring(++counter).c_str());
    ASSERT_TRUE(CreateDirectoryW(W(folder_), nullptr));
    cleanup_.Folder(folder_);
  }
  // The result of MakeTempName, removed at the end of the test.
  std::u16string Make(const std::u16string& folder, const std::u16string& extension) {
    std::u16string path = MakeTempName(folder, extension);
    if (!path.empty()) cleanup_.File(path);
    return path;
  }

  std::u16string folder_;
  Cleanup cleanup_;
};

TEST_F(TempFile, CreatesAnEmptyFileWithTheNextGeneratedName) {
  for (const char16_t* extension : {u"log", u".dat"}) {
    const std::u16string bare = extension[0] == u'.' ? extension + 1 : extension;
    const std::u16string expected = NextNames(1, bare)[0];
    const std::u16string path = Make(folder_, extension);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(FolderOf(path), folder_);
    EXPECT_EQ(NameOf(path), expected);
    EXPECT_TRUE(IsTempName(NameOf(path), bare)) << NameOf(path).size();
    EXPECT_EQ(FileSize(path), 0);
  }
  // A folder given with its trailing backslash gives the same form of path.
  const std::u16string path = Make(folder_ + u"\\", u"log");
  EXPECT_EQ(FolderOf(path), folder_);
}

TEST_F(TempFile, NeverOpensANameThatExists) {
  const std::vector<std::u16string> names = NextNames(6, u"tmp");
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(Plant(folder_ + u"\\" + names[i], "planted"));
    cleanup_.File(folder_ + u"\\" + names[i]);
  }
  const std::u16string path = Make(folder_, u"tmp");
  EXPECT_EQ(path, folder_ + u"\\" + names[5]);
  EXPECT_EQ(FileSize(path), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(FileSize(folder_ + u"\\" + names[i]), 7) << i;  // untouched
}

TEST_F(TempFile, MovesToTheTemporaryFolderAfter200AndToCTempAfter300Attempts) {
  // Every name of the first 200 attempts is taken in the asked folder, and of the next 100 in the
  // user's temporary folder (a name there that exists already serves as well).
  const std::vector<std::u16string> names = NextNames(302, u"tst");
  const std::u16string user_temp = UserTemp();
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(Plant(folder_ + u"\\" + names[i], "x"));
    cleanup_.File(folder_ + u"\\" + names[i]);
  }
  std::u16string path = Make(folder_, u"tst");
  EXPECT_EQ(path, user_temp + names[200]);

  // The next attempt is 0 again: the asked folder first. Take this round's 200 + 100 names.
  const std::vector<std::u16string> round = NextNames(301, u"tst");
  for (int i = 0; i < 300; ++i) {
    const std::u16string planted = (i < 200 ? folder_ + u"\\" : user_temp) + round[i];
    if (Plant(planted, "x")) cleanup_.File(planted);
    ASSERT_TRUE(Exists(planted));
  }
  const bool had_c_temp = Exists(u"c:\\temp");
  path = Make(folder_, u"tst");
  if (!had_c_temp) cleanup_.Folder(u"c:\\temp");
  EXPECT_EQ(path, u"c:\\temp\\" + round[300]);
  EXPECT_EQ(FileSize(path), 0);
}

TEST_F(TempFile, WithoutExtensionTheNameHasTheSystemsForm) {
  const std::vector<std::u16string> expected = NextNames(2, u"TMP");
  const std::u16string first = Make(folder_, u"");
  const std::u16string second = Make(folder_, u"");
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(first, second);
  for (const auto& path : {first, second}) {
    EXPECT_EQ(FolderOf(path), folder_);
    EXPECT_TRUE(IsSystemTempName(NameOf(path))) << std::string(NameOf(path).begin(), NameOf(path).end());
    EXPECT_EQ(FileSize(path), 0);
  }
  // The names come from the seeded generator, not from the system's time-based unique numbers.
  EXPECT_EQ(NameOf(first), expected[0]);
  EXPECT_EQ(NameOf(second), expected[1]);
}

TEST_F(TempFile, MissingFolderIsCreatedOrTheCallFails) {
  // A missing chain of folders is made.
  const std::u16string deep = folder_ + u"\\a\\b";
  cleanup_.Folder(folder_ + u"\\a");
  cleanup_.Folder(deep);
  for (const char16_t* extension : {u"log", u""}) {
    const std::u16string path = Make(deep, extension);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(FolderOf(path), deep);
    EXPECT_EQ(FileSize(path), 0);
  }

  // A folder that cannot be made (a file is in the way) gives no name, and nothing is created.
  const std::u16string file = folder_ + u"\\file";
  ASSERT_TRUE(Plant(file, "x"));
  cleanup_.File(file);
  const std::uint64_t state = ProcessTempNameGenerator().state();
  for (const char16_t* extension : {u"log", u""}) {
    EXPECT_EQ(Make(file + u"\\sub", extension), u"");
    EXPECT_EQ(Make(file + u"\\sub\\deeper", extension), u"");
  }
  EXPECT_EQ(ProcessTempNameGenerator().state(), state);
  EXPECT_EQ(FileSize(file), 1);
}

TEST_F(TempFile, EmptyFolderMeansTheUserTemporaryFolder) {
  const std::u16string path = Make(u"", u"log");
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path, UserTemp() + NameOf(path));
  EXPECT_TRUE(IsTempName(NameOf(path), u"log"));
}

}  // namespace
}  // namespace mv
