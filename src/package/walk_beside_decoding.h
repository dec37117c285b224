// Walking decoded bytes while they are still being decoded: the decoding runs on a thread of its
// own and reports how far from the start its bytes are all in place; the walk on the calling thread
// waits only for the bytes it needs next.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>

namespace mv {

class DecodedFrontier {
 public:
  // Called while waiting, every few milliseconds, on the waiting thread.
  explicit DecodedFrontier(std::function<void()> on_wait = {}) : on_wait_(std::move(on_wait)) {}

  // The decoding's side: the first `decoded` bytes are in place (a smaller number than an earlier
  // one changes nothing); the decoding has ended.
  void Placed(std::uint64_t decoded);
  void Ended(std::exception_ptr error);

  // Waits until the first `end` bytes are in place or the decoding has ended; true when in place.
  bool WaitFor(std::uint64_t end);
  // Waits for the decoding to end and rethrows its failure, if it failed.
  void Finish();
  bool ended();

 private:
  std::function<void()> on_wait_;
  std::mutex guard_;
  std::condition_variable changed_;
  std::uint64_t placed_ = 0;
  bool ended_ = false;
  std::exception_ptr error_;
};

// Runs `decode` on a thread of its own and `walk` on the calling thread. `decode` reports to
// `frontier` and gets a flag that is set when the walk has ended early (it should then stop soon, by
// throwing or returning). The decoding's failure takes precedence over a damaged package that the
// walk finds (CorruptPackage): it is what decoding everything first would have reported. Returns
// once both have ended; any other failure of the walk stops the decoding and passes through.
void WalkBesideDecoding(DecodedFrontier& frontier,
                        const std::function<void(const std::atomic<bool>& stopping)>& decode,
                        const std::function<void()>& walk);

}  // namespace mv
