#include "app/process_win.h"

#include <ole2.h>
#include <winsock2.h>

#include <cstdint>

#include "context/install_context_win.h"
#include "lib/system_library_win.h"
#include "lib/temp_file_win.h"

namespace mv {

namespace {

void EnablePrivilege(const wchar_t* name) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return;
  UniqueHandle token(raw);
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueW(nullptr, name, &tp.Privileges[0].Luid))
    AdjustTokenPrivileges(token.get(), FALSE, &tp, 0, nullptr, nullptr);
}

// The session number: 63 random bits from the system's generator, or from a xorshift generator
// seeded with the tick count where the system's is unavailable.
std::uint64_t DrawSessionNumber() {
  std::uint64_t value = 0;
  using RtlGenRandomFn = BOOLEAN(WINAPI*)(PVOID, ULONG);
  auto gen = reinterpret_cast<RtlGenRandomFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "SystemFunction036")));
  if (!gen || !gen(&value, sizeof value)) {
    std::uint64_t x = GetTickCount64() | 1;
    for (int i = 0; i < 8; ++i) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
    }
    value = x;
  }
  return value & 0x7FFFFFFFFFFFFFFFull;
}

void ReadScreenMetrics(InstallContext& c) {
  HDC screen = GetDC(nullptr);
  if (screen) {
    c.screen.dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
    c.screen.dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
    c.screen.colour_depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
  }
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &c.screen.work_area, 0))
    c.screen.work_area = {0, 0, GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1};
}

struct GdiplusStartupInput {
  UINT32 version = 1;
  void* debug_callback = nullptr;
  BOOL suppress_background_thread = FALSE;
  BOOL suppress_external_codecs = FALSE;
};

void StartGdiplus(InstallContext& c) {
  c.modules.gdiplus = LoadSystemLibrary(L"gdiplus.dll");
  using StartupFn = int(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, void*);
  if (auto startup = c.modules.gdiplus.Function<StartupFn>("GdiplusStartup")) {
    GdiplusStartupInput input;
    if (startup(&c.gdiplus_token, &input, nullptr) != 0) c.gdiplus_token = 0;
  }
}

}  // namespace

void HardenProcess() { HardenDllSearch(); }

void PrepareProcess(HINSTANCE instance) {
  InstallContext& c = Context();
  c.ole_initialized = SUCCEEDED(OleInitialize(nullptr));
  EnablePrivilege(L"SeTakeOwnershipPrivilege");

  ReadScreenMetrics(c);
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) == 0) {
    c.sockets_started = true;
    char host[256] = {};
    if (gethostname(host, sizeof host) == 0) c.host_name = host;
  }
  c.modules.rasapi = LoadSystemLibrary(L"rasapi32.dll");

  c.instance = instance;
  wchar_t path[1025] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, 1024);
  c.exe_path.assign(path, n > 1024 ? 1024 : n);
  c.session = DrawSessionNumber();
  SeedTempNames(c.session);  // temporary names follow from the random session number, not a fixed state
  c.large_icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  c.small_icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  StartGdiplus(c);
  // The crash report's exception filter is installed here once it exists.

  c.modules.comctl32 = LoadSystemLibrary(L"comctl32.dll");
  c.set_window_subclass = c.modules.comctl32.Function<void*>("SetWindowSubclass");
  c.def_subclass_proc = c.modules.comctl32.Function<void*>("DefSubclassProc");
}

}  // namespace mv
