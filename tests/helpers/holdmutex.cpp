// holdmutex: owns a named mutex for a number of seconds (or until killed), to stand for another
// running installer. Prints "held" once it owns it.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HANDLE mutex = CreateMutexW(nullptr, TRUE, argv[1]);
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) return 1;
  std::puts("held");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) * 1000);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  return 0;
}
