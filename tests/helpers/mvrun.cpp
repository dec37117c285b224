// mvrun: runs one Windows program and reports its exact 32-bit exit code.
//
//   mvrun <code-file> <timeout-ms> <working-folder or -> <command line>
//
// The command line is passed to CreateProcessW verbatim, so tests control every quote. The child
// inherits the standard handles, so a console child's output reaches the caller. The code file gets
// one line: the exit code as an unsigned decimal, or "timeout" when the child was terminated.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Handle {
  HANDLE h = nullptr;
  ~Handle() {
    if (h) CloseHandle(h);
  }
};

int WriteResult(const wchar_t* path, const char* text) {
  FILE* f = _wfopen(path, L"wb");
  if (!f) return 3;
  std::fputs(text, f);
  std::fputs("\n", f);
  std::fclose(f);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fputs("usage: mvrun <code-file> <timeout-ms> <folder|-> <command line>\n", stderr);
    return 2;
  }
  const wchar_t* code_file = argv[1];
  DWORD timeout = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
  const wchar_t* folder = std::wcscmp(argv[3], L"-") == 0 ? nullptr : argv[3];
  std::wstring command = argv[4];

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder, &si, &pi)) {
    std::fprintf(stderr, "mvrun: CreateProcess failed, error %lu\n", GetLastError());
    return 2;
  }
  Handle process{pi.hProcess};
  Handle thread{pi.hThread};

  if (WaitForSingleObject(process.h, timeout) != WAIT_OBJECT_0) {
    TerminateProcess(process.h, 0xDEAD);
    WaitForSingleObject(process.h, 5000);
    return WriteResult(code_file, "timeout");
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process.h, &code)) return 2;
  char text[32];
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(code));
  return WriteResult(code_file, text);
}
