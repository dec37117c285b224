#include "lib/read_at_win.h"

#include <algorithm>

namespace mv {

namespace {

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(offset);
  where.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return where;
}

constexpr std::size_t kLargestCall = 1u << 20;

}  // namespace

bool ReadFileAt(HANDLE file, std::uint64_t offset, std::span<std::uint8_t> out) {
  std::size_t got = 0;
  while (got < out.size()) {
    // The position travels with each read, never through the handle's file pointer, so that several
    // threads can read the same handle at once.
    OVERLAPPED where = At(offset + got);
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - got, kLargestCall));
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

bool WriteFileAt(HANDLE file, std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  std::size_t put = 0;
  while (put < bytes.size()) {
    OVERLAPPED where = At(offset + put);
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - put, kLargestCall));
    if (!WriteFile(file, bytes.data() + put, want, &n, &where)) return false;
    if (n == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    put += n;
  }
  return true;
}

}  // namespace mv
