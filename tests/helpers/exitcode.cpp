// exitcode: a test program that ends with the exit code it is given (decimal or 0x hex), or with a
// real access violation for "crash".
#include <windows.h>

#include <cstdlib>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 100;
  if (std::wcscmp(argv[1], L"crash") == 0) {
    SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 101;
  }
  ExitProcess(static_cast<UINT>(std::wcstoul(argv[1], nullptr, 0)));
}
