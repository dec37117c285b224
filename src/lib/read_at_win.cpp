#include "lib/read_at_win.h"

#include <algorithm>

namespace mv {

bool ReadFileAt(HANDLE file, std::uint64_t offset, std::span<std::uint8_t> out) {
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return false;
  std::size_t got = 0;
  while (got < out.size()) {
    DWORD n = 0;
    DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - got, 1u << 20));
    if (!ReadFile(file, out.data() + got, want, &n, nullptr)) return false;
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
