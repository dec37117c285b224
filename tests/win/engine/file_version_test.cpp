// The version of an existing file, read from its version resource.
#include "engine/extraction_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "lib/system_library_win.h"

namespace mv {
namespace {

TEST(FileVersion, ReadFromTheVersionResource) {
  const std::wstring kernel = SystemFolder() + L"\\kernel32.dll";
  const std::u16string version = FileVersionOf(std::u16string(kernel.begin(), kernel.end()));
  ASSERT_FALSE(version.empty());
  EXPECT_NE(version.find(u'.'), std::u16string::npos);
  EXPECT_EQ(version.find(u','), std::u16string::npos) << "commas become full stops";
  EXPECT_TRUE(version[0] >= u'0' && version[0] <= u'9');

  // A file without a version resource, and a missing file, have none.
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring plain = std::wstring(temp) + L"mv-version-plain.txt";
  HANDLE f = CreateFileW(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(f, "text", 4, &written, nullptr);
  CloseHandle(f);
  EXPECT_EQ(FileVersionOf(std::u16string(plain.begin(), plain.end())), u"");
  DeleteFileW(plain.c_str());
  EXPECT_EQ(FileVersionOf(u"C:\\does\\not\\exist.dll"), u"");
}

}  // namespace
}  // namespace mv
