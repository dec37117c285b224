// A COM server that only proves its unregistration: DllUnregisterServer writes a value named by the
// DLL's full path under HKCU\Software\MvE2EUnregister, holding the path of the program that called it.
#include <windows.h>

namespace {
HINSTANCE g_self = nullptr;
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_self = self;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() { return S_OK; }

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
  wchar_t self[MAX_PATH] = {}, program[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(g_self, self, MAX_PATH);
  const DWORD m = GetModuleFileNameW(nullptr, program, MAX_PATH);
  if (n == 0 || n >= MAX_PATH || m == 0 || m >= MAX_PATH) return E_FAIL;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\MvE2EUnregister", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return E_FAIL;
  const LONG written = RegSetValueExW(key, self, 0, REG_SZ, reinterpret_cast<const BYTE*>(program), (m + 1) * sizeof(wchar_t));
  RegCloseKey(key);
  return written == ERROR_SUCCESS ? S_OK : E_FAIL;
}
