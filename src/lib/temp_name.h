// Names of temporary files ("VQT1A2B.tmp") and the plan of attempts that MakeTempName follows.
// Portable: the generator state belongs to the caller; the Windows side (lib/temp_file) holds the
// one process-wide generator and creates the files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mv {

// A 64-bit xorshift generator (shifts 12, 25, 27) whose states give the four hex digits of a
// temporary name: the low 16 bits of 56605 times the low 32 bits of each new state.
class TempNameGenerator {
 public:
  static constexpr std::uint64_t kStartState = 0x4D56515454454D50ull;

  // A zero state would stay zero forever; it is replaced by kStartState.
  explicit TempNameGenerator(std::uint64_t state = kStartState) : state_(state ? state : kStartState) {}

  // Advances the state and returns it.
  std::uint64_t NextState();
  // Advances the state and returns the digits of the next name.
  std::uint16_t NextDigits();

  std::uint64_t state() const { return state_; }

 private:
  std::uint64_t state_;
};

// "VQT" + four upper-case hex digits + "." + extension; a leading "." of the extension is ignored.
std::u16string TempFileName(std::uint16_t digits, std::u16string_view extension);

// `folder` joined with `name` by exactly one backslash (none added after a trailing "\" or "/").
std::u16string JoinTempPath(std::u16string_view folder, std::u16string_view name);

// The number of names MakeTempName tries before giving up.
inline constexpr int kTempNameAttempts = 400;

// Where an attempt creates its file: the asked folder, then from attempt 200 the user's temporary
// folder, from attempt 300 "c:\temp" (when that folder exists or can be created; otherwise the
// temporary folder stays).
enum class TempNameFolder { kAsked, kUserTemp, kRootTemp };
TempNameFolder TempFolderForAttempt(int attempt);

// The outcome of one exclusive creation.
enum class TempCreateResult { kCreated, kExists, kAccessDenied, kOtherError };

// The bookkeeping of one MakeTempName loop: which attempt comes next, in which folder, and when
// to stop. Names taken with an extension are tried until one is created or the attempts run out;
// in the fallback of the extension-less form, 20 access-denied failures in a row also end it.
class TempNameAttempts {
 public:
  static constexpr int kMaxConsecutiveDenials = 20;

  explicit TempNameAttempts(bool give_up_on_denials) : give_up_on_denials_(give_up_on_denials) {}

  // Whether another attempt is to be made.
  bool More() const;
  // The folder of the attempt about to be made.
  TempNameFolder Folder() const { return TempFolderForAttempt(attempt_); }
  int attempt() const { return attempt_; }
  // Records the outcome of the attempt just made.
  void Record(TempCreateResult result);

 private:
  bool give_up_on_denials_;
  int attempt_ = 0;
  int denials_ = 0;
  bool done_ = false;
};

}  // namespace mv
