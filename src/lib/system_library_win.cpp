#include "lib/system_library_win.h"

namespace mv {

void HardenDllSearch() {
  // Terminate on heap corruption instead of continuing with a damaged heap.
  HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);

  // SetDefaultDllDirectories exists from Windows 7 with KB2533623 on; look it up so that the
  // runtime still starts where it is missing, and fall back to removing the current folder.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (!set_default || !set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH];
  UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return L"C:\\Windows\\system32";
  return std::wstring(buffer, n);
}

UniqueModule LoadSystemLibrary(const wchar_t* name) {
  // Where the system knows LOAD_LIBRARY_SEARCH_SYSTEM32, a load by name searches only the system
  // folder and still honours side-by-side redirection (common controls version 6). Elsewhere a full
  // path never consults the search order.
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (GetProcAddress(kernel, "AddDllDirectory")) {
    if (HMODULE m = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return UniqueModule(m);
  }
  std::wstring path = SystemFolder() + L"\\" + name;
  return UniqueModule(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace mv
