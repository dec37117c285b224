#include "package/walk_beside_decoding.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "package/corrupt.h"

namespace mv {
namespace {

// A decoding that places `steps` portions of 100 bytes, one every millisecond, then ends as told;
// it notes whether it saw the stop flag.
struct Decoding {
  int steps = 10;
  std::optional<int> fails_with;  // a CorruptPackage code after the last step
  std::atomic<bool> saw_stop{false};
  std::atomic<std::uint64_t> placed{0};

  void operator()(DecodedFrontier& frontier, const std::atomic<bool>& stopping) {
    for (int i = 1; i <= steps; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      if (stopping) {
        saw_stop = true;
        throw std::runtime_error("stopped");
      }
      placed = std::uint64_t(i) * 100;
      frontier.Placed(placed);
    }
    if (fails_with) throw CorruptPackage(*fails_with);
  }
};

int CodeOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const CorruptPackage& e) {
    return e.code();
  }
  return 0;
}

TEST(WalkBesideDecoding, TheWalkReadsOnlyPlacedBytes) {
  Decoding decoding;
  DecodedFrontier frontier;
  std::vector<std::uint64_t> seen;
  WalkBesideDecoding(
      frontier, [&](const std::atomic<bool>& s) { decoding(frontier, s); },
      [&] {
        for (std::uint64_t end = 50; end <= 1000; end += 150) {
          ASSERT_TRUE(frontier.WaitFor(end));
          EXPECT_GE(decoding.placed.load(), end);
          seen.push_back(end);
        }
        EXPECT_FALSE(frontier.WaitFor(1001)) << "past the end once the decoding has ended";
      });
  EXPECT_EQ(seen.size(), 7u);
  EXPECT_TRUE(frontier.ended());
}

// Which failure the caller sees: the decoding's damage comes before the walk's, as when every chunk
// is decoded before the walk; a walk that fails otherwise stops the decoding.
TEST(WalkBesideDecoding, FailuresInTheOrderOfDecodingEverythingFirst) {
  struct Case {
    const char* name;
    std::optional<int> decoding_fails_with;
    std::optional<int> walk_fails_with;  // after reading the first 200 bytes
    int expected;
  } cases[] = {
      {"both sound", std::nullopt, std::nullopt, 0},
      {"a damaged record only", std::nullopt, 101, 101},
      {"a chunk that does not decode, found after a damaged record", 60, 101, 60},
      {"a chunk that does not decode, the walk waiting past it", 60, std::nullopt, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Decoding decoding;
    decoding.fails_with = c.decoding_fails_with;
    DecodedFrontier frontier;
    const int code = CodeOf([&] {
      WalkBesideDecoding(
          frontier, [&](const std::atomic<bool>& s) { decoding(frontier, s); },
          [&] {
            ASSERT_TRUE(frontier.WaitFor(200));
            if (c.walk_fails_with) throw CorruptPackage(*c.walk_fails_with);
            if (!frontier.WaitFor(5000)) frontier.Finish();
          });
    });
    EXPECT_EQ(code, c.expected);
    EXPECT_FALSE(decoding.saw_stop) << "damage waits for the decoding to end";
  }

  Decoding decoding;
  decoding.steps = 100000;
  DecodedFrontier frontier;
  EXPECT_THROW(WalkBesideDecoding(
                   frontier, [&](const std::atomic<bool>& s) { decoding(frontier, s); },
                   [] { throw std::runtime_error("the walk failed"); }),
               std::runtime_error);
  EXPECT_TRUE(decoding.saw_stop);
}

TEST(WalkBesideDecoding, WaitingCallsBackUntilTheBytesArrive) {
  Decoding decoding;
  decoding.steps = 3;
  int calls = 0;
  DecodedFrontier frontier([&] { ++calls; });
  WalkBesideDecoding(
      frontier,
      [&](const std::atomic<bool>& s) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        decoding(frontier, s);
      },
      [&] { EXPECT_TRUE(frontier.WaitFor(300)); });
  EXPECT_GE(calls, 2);
}

}  // namespace
}  // namespace mv
