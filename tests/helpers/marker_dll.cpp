// A DLL that proves it was loaded: on process attach it creates "<its own name>.loaded" beside
// itself, holding the path of the program that loaded it. Copied under the names of system DLLs next to an installer, it must never appear.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      std::wstring marker = std::wstring(path, n) + L".loaded";
      // The file names the program that loaded the DLL.
      HANDLE h = CreateFileW(marker.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, 0, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        char program[MAX_PATH] = {};
        DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH - 2);
        program[length] = '\n';
        DWORD written = 0;
        WriteFile(h, program, length + 1, &written, nullptr);
        CloseHandle(h);
      }
    }
  }
  return TRUE;
}
