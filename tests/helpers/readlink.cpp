// readlink: prints what a shell link holds, one "key=value" line each (UTF-8): target, arguments,
// working folder, icon file and index as the shell's link object reads them, and the show command
// from the file's own header (the link object may not hand back the stored value). Exits 0, 1 when
// the link cannot be read, 2 on bad use.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdint>
#include <string>

namespace {

void Print(const char* key, const wchar_t* value) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, value, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, value, -1, utf8.data(), size, nullptr, nullptr);
  std::printf("%s=%s\n", key, utf8.c_str());
}

// The show command field of the link header: the 4 bytes at offset 60.
bool HeaderShowCommand(const wchar_t* path, std::uint32_t* show) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  unsigned char header[76] = {};
  DWORD read = 0;
  const bool ok = ReadFile(file, header, sizeof(header), &read, nullptr) && read == sizeof(header);
  CloseHandle(file);
  if (!ok) return false;
  *show = header[60] | header[61] << 8 | header[62] << 16 | static_cast<std::uint32_t>(header[63]) << 24;
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return 1;
  IPersistFile* persist = nullptr;
  int result = 1;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
      SUCCEEDED(persist->Load(argv[1], STGM_READ))) {
    wchar_t text[MAX_PATH * 4] = {};
    WIN32_FIND_DATAW find{};
    link->GetPath(text, MAX_PATH * 4, &find, SLGP_RAWPATH);
    Print("target", text);
    text[0] = 0;
    link->GetArguments(text, MAX_PATH * 4);
    Print("arguments", text);
    text[0] = 0;
    link->GetWorkingDirectory(text, MAX_PATH * 4);
    Print("workdir", text);
    text[0] = 0;
    int index = -1;
    link->GetIconLocation(text, MAX_PATH * 4, &index);
    Print("icon", text);
    std::printf("iconindex=%d\n", index);
    std::uint32_t show = 0;
    if (HeaderShowCommand(argv[1], &show)) std::printf("show=%u\n", show);
    result = 0;
  }
  if (persist) persist->Release();
  link->Release();
  CoUninitialize();
  return result;
}
