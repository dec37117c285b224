// Integrity failures of the package. Portable code throws CorruptPackage with the corrupt-installer
// code; the runtime catches it in one place and ends through its corrupt-installer report, and
// mvpack verify prints the same code.
#pragma once

#include <stdexcept>
#include <string>

namespace mv {

class CorruptPackage : public std::runtime_error {
 public:
  explicit CorruptPackage(int code, const std::string& detail = {})
      : std::runtime_error("corrupt installer, code " + std::to_string(code) +
                           (detail.empty() ? "" : ": " + detail)),
        code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// A package that this runtime must refuse without calling it corrupt: the fatal-error path (exit -1)
// rather than the corrupt-installer report, e.g. a missing section or a version mismatch.
class FatalPackageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace mv
