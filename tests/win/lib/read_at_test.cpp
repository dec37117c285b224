// Positioned reads against a real file under Wine.
#include "lib/read_at_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <thread>
#include <vector>

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

// Threads reading different places of one handle at once each get their own bytes (the chunk
// decoders read the installer's file data this way).
TEST(ReadFileAt, ThreadsShareOneHandle) {
  CreatedTempFile temp = CreateTempFile(u"", u"bin", {GENERIC_READ | GENERIC_WRITE});
  ASSERT_TRUE(temp.handle);
  std::vector<std::uint8_t> bytes(1 << 20);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + i / 997);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(temp.handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  std::vector<int> mismatches(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      std::vector<std::uint8_t> part(4096);
      for (int round = 0; round < 200; ++round) {
        const std::size_t offset = ((round * 4 + t) * 4099) % (bytes.size() - part.size());
        if (!ReadFileAt(temp.handle.get(), offset, part) ||
            !std::equal(part.begin(), part.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset)))
          ++mismatches[t];
      }
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(mismatches, (std::vector<int>{0, 0, 0, 0}));
  temp.handle.reset();
  DeleteFileW(W(temp.path));
}

}  // namespace
}  // namespace mv
