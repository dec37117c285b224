#include "package/walk_beside_decoding.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

#include "package/corrupt.h"

namespace mv {

void DecodedFrontier::Placed(std::uint64_t decoded) {
  {
    std::lock_guard lock(guard_);
    placed_ = std::max(placed_, decoded);
  }
  changed_.notify_all();
}

void DecodedFrontier::Ended(std::exception_ptr error) {
  {
    std::lock_guard lock(guard_);
    ended_ = true;
    error_ = error;
  }
  changed_.notify_all();
}

bool DecodedFrontier::WaitFor(std::uint64_t end) {
  std::unique_lock lock(guard_);
  while (placed_ < end && !ended_) {
    changed_.wait_for(lock, std::chrono::milliseconds(20));
    if (on_wait_) {
      lock.unlock();
      on_wait_();
      lock.lock();
    }
  }
  return placed_ >= end;
}

void DecodedFrontier::Finish() {
  WaitFor(UINT64_MAX);
  std::lock_guard lock(guard_);
  if (error_) std::rethrow_exception(error_);
}

bool DecodedFrontier::ended() {
  std::lock_guard lock(guard_);
  return ended_;
}

void WalkBesideDecoding(DecodedFrontier& frontier,
                        const std::function<void(const std::atomic<bool>& stopping)>& decode,
                        const std::function<void()>& walk) {
  std::atomic<bool> stopping{false};
  std::thread decoding([&] {
    try {
      decode(stopping);
      frontier.Ended(nullptr);
    } catch (...) {
      frontier.Ended(std::current_exception());
    }
  });
  // However the walk ends, the decoding ends before what it writes to goes.
  struct Join {
    std::thread& thread;
    std::atomic<bool>& stopping;
    ~Join() {
      stopping = true;
      thread.join();
    }
  } join{decoding, stopping};
  try {
    walk();
  } catch (const CorruptPackage&) {
    frontier.Finish();
    throw;
  }
  frontier.Finish();
}

}  // namespace mv
