// mvpack verify: every integrity check the runtime makes, offline, in the runtime's order, with
// the runtime's corrupt-installer codes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace mvpack {

struct Verdict {
  enum Kind { kSound, kCorrupt, kFatal } kind = kSound;
  int code = 0;          // the corrupt-installer code when kCorrupt
  std::string message;   // what failed, or notes about a sound installer
  // Bytes of the uninstaller image when the package builds it without the section (0 otherwise).
  std::uint64_t uninstaller_size = 0;
};

Verdict VerifyInstaller(std::span<const std::uint8_t> installer);

// A short description of a corrupt-installer code for people reading mvpack's output.
std::string DescribeCorruptCode(int code);

}  // namespace mvpack
