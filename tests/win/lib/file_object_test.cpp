// The file service against real files under Wine.
#include "lib/file_object_win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "lib/wide_win.h"
#include "base/text.h"

namespace mv {
namespace {

using open_flags::kNoRead;
using open_flags::kNoSharingRetries;
using open_flags::kNoWrite;

// A fresh folder under the temporary folder, removed with its files afterwards.
class Scratch {
 public:
  Scratch() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = U(temp) + u"mv-file-" + Utf16Number(GetCurrentProcessId()) + u"-" + Utf16Number(++counter_);
    CreateDirectoryW(W(folder_), nullptr);
  }
  ~Scratch() {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(W(folder_ + u"\\*"), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::u16string name = U(found.cFileName);
        if (name != u"." && name != u"..") {
          SetFileAttributesW(W(folder_ + u"\\" + name), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(W(folder_ + u"\\" + name));
          RemoveDirectoryW(W(folder_ + u"\\" + name));
        }
      } while (FindNextFileW(h, &found));
      FindClose(h);
    }
    RemoveDirectoryW(W(folder_));
  }
  std::u16string operator/(const char16_t* name) const { return folder_ + u"\\" + name; }
  const std::u16string& folder() const { return folder_; }

 private:
  static std::u16string Utf16Number(unsigned long n) {
    std::wstring s = std::to_wstring(n);
    return U(s);
  }
  static inline int counter_ = 0;
  std::u16string folder_;
};

void MakeFile(const std::u16string& path, const std::string& content) {
  FileObject f;
  ASSERT_EQ(f.Open(path, 3 | kNoRead), 0);
  ASSERT_TRUE(f.Write(content.data(), static_cast<std::int64_t>(content.size())));
}

TEST(FileObject, OpenFailuresHaveTheirCodes) {
  Scratch s;
  MakeFile(s / u"exists.txt", "x");
  CreateDirectoryW(W(s / u"sub"), nullptr);
  // A drive letter that no drive uses.
  std::u16string missing_drive;
  for (char16_t letter = u'Q'; letter <= u'Y' && missing_drive.empty(); ++letter) {
    wchar_t root[4] = {static_cast<wchar_t>(letter), L':', L'\\', 0};
    if (GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR) missing_drive = std::u16string(1, letter) + u":\\app\\file.txt";
  }
  ASSERT_FALSE(missing_drive.empty());

  struct Case {
    std::u16string path;
    std::uint32_t flags;
    int code;
  } cases[] = {
      {s / u"sub", 1 | kNoWrite, 23},               // a folder, opened for reading
      {s / u"exists.txt", 2, 10},                   // create new on an existing file
      {s / u"missing.txt", 1 | kNoWrite, 3},
      {s / u"nofolder\\missing.txt", 1 | kNoWrite, 4},
      {missing_drive, 1 | kNoWrite, 21},
      {u" " + (s / u"exists.txt"), 1 | kNoWrite, 2},  // a leading blank is not a path
      {u"", 1, 2},
  };
  for (const auto& c : cases) {
    FileObject f;
    EXPECT_EQ(f.Open(c.path, c.flags), c.code) << std::string(c.path.begin(), c.path.end());
    EXPECT_EQ(f.failure_text(), ResultText(c.code));
    EXPECT_FALSE(f.is_open());
  }
}

TEST(FileObject, ReadingPastTheEndLeavesThePosition) {
  Scratch s;
  MakeFile(s / u"ten.bin", "0123456789");
  FileObject f;
  ASSERT_EQ(f.Open(s / u"ten.bin", 1 | kNoWrite), 0);
  char buffer[16] = {};
  ASSERT_TRUE(f.Read(buffer, 4));
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_FALSE(f.Read(buffer, 7));
  EXPECT_EQ(f.failure_text(), "Read past end of file");
  EXPECT_EQ(f.Tell(), 4);
  ASSERT_TRUE(f.Read(buffer, 6));
  EXPECT_EQ(std::string(buffer, 6), "456789");
  EXPECT_FALSE(f.Read(buffer, -1));
  EXPECT_EQ(f.failure_text(), "Illegal block size -1");
  EXPECT_FALSE(f.Write("x", 1));
  EXPECT_EQ(f.failure_text(), "Write access denied");
  f.Close();
  EXPECT_FALSE(f.Read(buffer, 1));
  EXPECT_EQ(f.failure_text(), "File not open");
}

TEST(FileObject, ASharingViolationIsRetriedForHalfASecondThenLocked) {
  Scratch s;
  MakeFile(s / u"held.txt", "held");
  UniqueHandle holder(CreateFileW(W(s / u"held.txt"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.valid());

  FileObject f;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(f.Open(s / u"held.txt", 1 | kNoWrite), 5);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(450)) << "five retries 100 ms apart";

  start = std::chrono::steady_clock::now();
  EXPECT_EQ(f.Open(s / u"held.txt", 1 | kNoWrite | kNoSharingRetries), 5);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));

  holder.reset();
  EXPECT_EQ(f.Open(s / u"held.txt", 1 | kNoWrite), 0);
}

TEST(FileObject, WritesLargeDataAndVerifiesDiskFiles) {
  Scratch s;
  std::string big(3 * (1 << 20) + 5, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  MakeFile(s / u"big.bin", big);

  FileObject f;
  ASSERT_EQ(f.Open(s / u"big.bin", 1 | kNoWrite | open_flags::kVerify | open_flags::kSeekStart), 0);
  std::string back(big.size(), '\0');
  ASSERT_TRUE(f.Read(back.data(), static_cast<std::int64_t>(back.size())));
  EXPECT_EQ(back, big);

  // A device opens but is not a file: verification refuses it.
  FileObject device;
  EXPECT_EQ(device.Open(u"NUL", 1 | kNoWrite | open_flags::kVerify), 6);
  EXPECT_FALSE(device.is_open());

  // The close-after-open test leaves nothing open; the 8-bit path form reads "|" as UTF-8.
  FileObject probe;
  std::u16string unicode = s / u"\u00e9t\u00e9.txt";
  MakeFile(unicode, "e");
  EXPECT_EQ(probe.Open("|" + Utf16ToUtf8(unicode), 1 | kNoWrite | open_flags::kCloseAfterOpen), 0);
  EXPECT_FALSE(probe.is_open());
}

// A new temporary file is used through the handle that created it. "Create new" therefore succeeds
// on it (the file is this call's own), and the file cannot be renamed away and replaced while the
// caller holds it.
TEST(FileObject, TemporaryFilesKeepTheHandleThatCreatedThem) {
  Scratch s;
  struct Case {
    std::uint32_t placement;
    std::u16string path, folder;
  } cases[] = {
      {2, s.folder(), s.folder()},
      {4, s / u"beside.txt", s.folder()},
      {5, u"dat", u""},  // the temporary folder, the extension given as path
  };
  for (const auto& c : cases) {
    for (std::uint32_t creation : {2u, 3u}) {  // create new, create or truncate
      SCOPED_TRACE(testing::Message() << "placement " << c.placement << " creation " << creation);
      FileObject f;
      ASSERT_EQ(f.Open(c.path, creation | kNoRead | (c.placement << open_flags::kPlacementShift)), 0);
      const std::u16string made = f.path();
      if (!c.folder.empty()) EXPECT_EQ(made.substr(0, c.folder.size() + 1), c.folder + u"\\");
      // Another process cannot move the file away to put its own under the name.
      const std::u16string aside = made + u".aside";
      EXPECT_FALSE(MoveFileW(W(made), W(aside)));
      EXPECT_FALSE(DeleteFileW(W(made)));
      ASSERT_TRUE(f.Write("mine", 4));
      f.Close();
      FileObject back;
      ASSERT_EQ(back.Open(made, 1 | kNoWrite), 0);
      char bytes[4] = {};
      ASSERT_TRUE(back.Read(bytes, sizeof bytes));
      EXPECT_EQ(std::string(bytes, 4), "mine");
      back.Close();
      DeleteFileW(W(made));
    }
  }
}

}  // namespace
}  // namespace mv
