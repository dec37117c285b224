// peakmem: runs one Windows program and reports its peak memory as Windows counts it.
//
//   peakmem <timeout-ms> <command line>
//
// Prints "peak working set: N KiB", "peak private bytes: N KiB" and "exit code: N". The counters are
// read while the program runs (every 10 ms, and once more as it ends): a process that has ended may
// have none left to read. Exits 0 when the program ran to its end, 1 on time-out (the program is
// then terminated), 2 when it could not be started.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Handle {
  HANDLE h = nullptr;
  explicit Handle(HANDLE handle) : h(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (h) CloseHandle(h);
  }
};

struct Peaks {
  SIZE_T working_set = 0;
  SIZE_T private_bytes = 0;
  void Sample(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return;
    working_set = std::max(working_set, counters.PeakWorkingSetSize);
    private_bytes = std::max(private_bytes, counters.PeakPagefileUsage);
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: peakmem <timeout-ms> <command line>\n", stderr);
    return 2;
  }
  const DWORD timeout = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10));
  std::wstring command = argv[2];

  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "peakmem: CreateProcess failed, error %lu\n", GetLastError());
    return 2;
  }
  Handle process(pi.hProcess);
  Handle thread(pi.hThread);

  Peaks peaks;
  const ULONGLONG deadline = GetTickCount64() + timeout;
  DWORD wait = WAIT_TIMEOUT;
  while (wait == WAIT_TIMEOUT && GetTickCount64() < deadline) {
    peaks.Sample(process.h);
    wait = WaitForSingleObject(process.h, 10);
  }
  peaks.Sample(process.h);
  if (wait != WAIT_OBJECT_0) {
    TerminateProcess(process.h, 0xDEAD);
    WaitForSingleObject(process.h, 5000);
    std::puts("timeout");
    return 1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.h, &code);
  std::printf("peak working set: %lu KiB\n", static_cast<unsigned long>(peaks.working_set / 1024));
  std::printf("peak private bytes: %lu KiB\n", static_cast<unsigned long>(peaks.private_bytes / 1024));
  std::printf("exit code: %lu\n", static_cast<unsigned long>(code));
  return 0;
}
