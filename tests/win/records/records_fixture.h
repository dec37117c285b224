// A scratch folder in the user's temporary folder and a fresh InstallContext for each test of the
// installation records.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "context/install_context_win.h"
#include "lib/handle_win.h"
#include "lib/wide_win.h"

namespace mv::testing {

inline bool Exists(const std::u16string& path) { return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadAll(const std::u16string& path) {
  UniqueHandle file(CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char block[4096];
  DWORD got = 0;
  while (file && ReadFile(file.get(), block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
  return bytes;
}

inline bool WriteAll(const std::u16string& path, const std::string& bytes) {
  UniqueHandle file(CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// The names of the files in `folder`.
inline std::vector<std::u16string> FilesIn(const std::u16string& folder) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW(W(folder + u"\\*"), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      names.push_back(reinterpret_cast<const char16_t*>(found.cFileName));
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

class RecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    static int counter = 0;
    folder_ = reinterpret_cast<const char16_t*>(temp) + std::u16string(u"mv-records-") +
              Number(GetCurrentProcessId()) + u"-" + Number(++counter);
    ASSERT_TRUE(CreateDirectoryW(W(folder_), nullptr));
    Context() = InstallContext{};
  }

  void TearDown() override {
    Context() = InstallContext{};
    RemoveTree(folder_);
  }

  static std::u16string Number(unsigned long n) {
    std::wstring digits = std::to_wstring(n);
    return std::u16string(digits.begin(), digits.end());
  }

  static void RemoveTree(const std::u16string& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW(W(folder + u"\\*"), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::u16string name = reinterpret_cast<const char16_t*>(found.cFileName);
        if (name == u"." || name == u"..") continue;
        const std::u16string path = folder + u"\\" + name;
        SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(path);
        else
          DeleteFileW(W(path));
      } while (FindNextFileW(find, &found));
      FindClose(find);
    }
    RemoveDirectoryW(W(folder));
  }

  const std::u16string& folder() const { return folder_; }

 private:
  std::u16string folder_;
};

}  // namespace mv::testing
