// Positioned reads against a real file under Wine.
#include "lib/read_at_win.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "lib/handle_win.h"
#include "lib/temp_file_win.h"
#include "lib/wide_win.h"

namespace mv {
namespace {

// A read that runs past the end fails with the end-of-file error, not with whatever error an
// earlier call left behind: the corrupt-installer text names that error.
TEST(ReadFileAt, AShortReadReportsTheEndOfTheFile) {
  CreatedTempFile temp = CreateTempFile(u"", u"bin", {GENERIC_READ | GENERIC_WRITE});
  ASSERT_TRUE(temp.handle);
  const std::string ten = "0123456789";
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(temp.handle.get(), ten.data(), 10, &written, nullptr));

  std::array<std::uint8_t, 4> inside{};
  EXPECT_TRUE(ReadFileAt(temp.handle.get(), 6, inside));
  EXPECT_EQ(std::string(inside.begin(), inside.end()), "6789");

  for (std::uint64_t offset : {7u, 10u, 4096u}) {
    std::array<std::uint8_t, 4> past{};
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(ReadFileAt(temp.handle.get(), offset, past)) << offset;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HANDLE_EOF)) << offset;
  }
  temp.handle.reset();
  DeleteFileW(W(temp.path));
}

}  // namespace
}  // namespace mv
