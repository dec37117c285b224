// The crash guard against real processor faults under Wine.
#include "lib/crash_guard_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>

namespace mv {
namespace {

void ReadNull() {
  volatile int* nowhere = nullptr;
  (void)*nowhere;
}

void IllegalInstruction() { __builtin_trap(); }

TEST(CrashGuard, FaultsEndTheGuardedCallNotTheRun) {
  int reached = 0;
  EXPECT_TRUE(RunGuarded([&] { reached = 1; }));
  EXPECT_EQ(reached, 1);

  EXPECT_FALSE(RunGuarded([&] {
    reached = 2;
    ReadNull();
    reached = 3;
  }));
  EXPECT_EQ(reached, 2);
  EXPECT_FALSE(RunGuarded(IllegalInstruction));
  EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("escaped"); }));

  // The guard can be used again, and nested: an inner fault stays inside the inner guard.
  bool inner = true;
  EXPECT_TRUE(RunGuarded([&] { inner = RunGuarded(ReadNull); }));
  EXPECT_FALSE(inner);
  for (int i = 0; i < 20; ++i) ASSERT_FALSE(RunGuarded(ReadNull)) << i;

  // Frame-based handling still works after guarded faults: a fault outside any guard is not taken
  // by the guard, and the system's own handling of a bad pointer goes on as before.
  EXPECT_TRUE(IsBadReadPtr(nullptr, 4));
}

}  // namespace
}  // namespace mv
