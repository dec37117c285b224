#include "app/integrity_win.h"

#include <softpub.h>
#include <wintrust.h>

#include "app/exit_win.h"
#include "context/install_context_win.h"
#include "lib/handle_win.h"
#include "lib/read_at_win.h"
#include "lib/system_library_win.h"
#include "package/corrupt.h"
#include "package/installer_file.h"
#include "app/signature.h"

namespace mv {

namespace {

// Authenticode check through WinVerifyTrust, loaded from the system folder.
int CheckSignature(const std::wstring& path) {
  // The file must open for reading first; its failure has statuses of its own.
  UniqueHandle probe(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!probe) return SignatureStatusOfOpenError(GetLastError());
  probe.reset();

  UniqueModule wintrust = LoadSystemLibrary(L"wintrust.dll");
  using VerifyFn = LONG(WINAPI*)(HWND, GUID*, LPVOID);
  auto verify = wintrust.Function<VerifyFn>("WinVerifyTrust");
  if (!verify) return kSignatureUnavailable;

  WINTRUST_FILE_INFO file_info{};
  file_info.cbStruct = sizeof file_info;
  file_info.pcwszFilePath = path.c_str();
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file_info;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  LONG result = 0;
  DWORD last_error = 0;
  try {
    SetLastError(0);
    result = verify(nullptr, &action, &data);
    last_error = GetLastError();
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    verify(nullptr, &action, &data);
  } catch (...) {
    return kSignatureException;
  }
  return SignatureStatusOf(static_cast<std::uint32_t>(result), last_error);
}

}  // namespace

void CheckInstallerFile(HANDLE file) {
  InstallContext& c = Context();
  Bytes before(c.section.raw_offset);
  if (!ReadFileAt(file, 0, before)) CorruptInstaller(35, true);

  switch (c.settings.IntegrityCheck) {  // 0 none, 1 the file CRC, 2 the signature
    case 1:
      VerifyFileCrc(before, c.section.header_offset, c.header.file_crc);
      break;
    case 2: {
      int status = CheckSignature(c.exe_path);
      DWORD last_error = GetLastError();
      if (!SignaturePasses(status, last_error)) CorruptInstaller(SignatureCorruptCode(status), true);
      break;
    }
    default:
      break;
  }

  if (c.header.product_flags2 & kFlags2UninstallerWithoutSection) {
    std::uint64_t after_start = std::uint64_t{c.section.raw_offset} + c.section.raw_size;
    Bytes after(c.installer_size > after_start ? c.installer_size - after_start : 0);
    if (!ReadFileAt(file, after_start, after)) CorruptInstaller(42, true);
    c.uninstaller_image = BuildUninstallerImage(before, after, c.section);
  }
}

}  // namespace mv
