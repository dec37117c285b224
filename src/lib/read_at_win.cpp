#include "lib/read_at_win.h"

#include <algorithm>

namespace mv {

bool ReadFileAt(HANDLE file, std::uint64_t offset, std::span<std::uint8_t> out) {
  std::size_t got = 0;
  while (got < out.size()) {
    // The position travels with each read, never through the handle's file pointer, so that several
    // threads can read the same handle at once.
    const std::uint64_t at = offset + got;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - got, 1u << 20));
    if (!ReadFile(file, out.data() + got, want, &n, &where)) return false;
    if (n == 0) {
      // The file ended first: say so, rather than leave whatever error an earlier call set.
      SetLastError(ERROR_HANDLE_EOF);
      return false;
    }
    got += n;
  }
  return true;
}

}  // namespace mv
