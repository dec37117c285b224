#include "lib/os_info_win.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "lib/registry_key_win.h"

namespace mv {

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using WineGetVersionFn = const char*(__cdecl*)();
using GetProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);
using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);

// Looks up an export of a module that every process has loaded (ntdll, kernel32); nothing is loaded.
template <typename F>
F LoadedExport(const wchar_t* module, const char* name) {
  HMODULE m = GetModuleHandleW(module);
  return m ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

// The version record: RtlGetVersion tells the truth regardless of the manifest; GetVersionExW is the
// fallback, with the extended structure first and the plain one for systems that refuse it.
OSVERSIONINFOEXW QueryVersion() {
  OSVERSIONINFOEXW v{};
  v.dwOSVersionInfoSize = sizeof(v);
  if (auto rtl_get_version = LoadedExport<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion")) {
    if (rtl_get_version(&v) == 0) return v;
  }
  v = {};
  v.dwOSVersionInfoSize = sizeof(v);
  if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&v))) return v;
  v = {};
  v.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&v));
  return v;
}

}  // namespace

OsInfo GatherOsInfo() {
  OsInfo info;
  const OSVERSIONINFOEXW v = QueryVersion();
  info.platform = static_cast<int>(v.dwPlatformId);
  info.major = v.dwMajorVersion;
  info.minor = v.dwMinorVersion;
  // The 95 family keeps the version in the high word of the build number.
  info.build = v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? (v.dwBuildNumber & 0xFFFF) : v.dwBuildNumber;
  const std::size_t sp_length = wcsnlen(v.szCSDVersion, std::size(v.szCSDVersion));
  info.service_pack.assign(reinterpret_cast<const char16_t*>(v.szCSDVersion), sp_length);
  if (v.dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXW)) {
    info.service_pack_major = v.wServicePackMajor;
    info.service_pack_minor = v.wServicePackMinor;
    info.suite_mask = v.wSuiteMask;
    info.product_type = v.wProductType;
  }

  if (info.major > 5) {
    if (auto get_product_info = LoadedExport<GetProductInfoFn>(L"kernel32.dll", "GetProductInfo")) {
      DWORD edition = 0;
      if (get_product_info(info.major, info.minor, info.service_pack_major, info.service_pack_minor, &edition)) {
        info.edition = edition;
      }
    }
  }
  if (info.major > 4) {
    if (auto native_info = LoadedExport<GetNativeSystemInfoFn>(L"kernel32.dll", "GetNativeSystemInfo")) {
      SYSTEM_INFO si{};
      native_info(&si);
      info.native_architecture = si.wProcessorArchitecture;
    }
  }

  info.server_r2 = GetSystemMetrics(SM_SERVERR2) != 0;
  info.media_center = GetSystemMetrics(SM_MEDIACENTER) != 0;
  info.starter = GetSystemMetrics(SM_STARTER) != 0;
  info.tablet_pc = GetSystemMetrics(SM_TABLETPC) != 0;

  if (auto wine_get_version = LoadedExport<WineGetVersionFn>(L"ntdll.dll", "wine_get_version")) {
    const char* version = wine_get_version();
    info.wine_version = version ? version : "";
  }

  const RegistryKey key = RegistryKey::Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                            KEY_QUERY_VALUE, KEY_WOW64_64KEY);
  if (auto release_id = key.ReadString(L"ReleaseId", 64)) {
    info.release_id.assign(reinterpret_cast<const char16_t*>(release_id->data()), release_id->size());
  }
  return info;
}

const OsInfo& GetOsInfo() {
  static const OsInfo info = GatherOsInfo();
  return info;
}

}  // namespace mv
