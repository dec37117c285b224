#include "app/integrity_win.h"

#include <softpub.h>
#include <wintrust.h>

#include <algorithm>

#include "app/exit_win.h"
#include "context/install_context_win.h"
#include "lib/crash_guard_win.h"
#include "lib/handle_win.h"
#include "lib/read_at_win.h"
#include "lib/system_library_win.h"
#include "package/corrupt.h"
#include "package/installer_file.h"
#include "app/signature.h"

namespace mv {

SignatureCheck CheckSignatureWith(TrustFunction verify, const std::wstring& path) {
  // The file must open for reading first; its failure has statuses of its own.
  UniqueHandle probe(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!probe) {
    const DWORD error = GetLastError();
    return {SignatureStatusOfOpenError(error), error};
  }
  probe.reset();
  if (!verify) return {kSignatureUnavailable, GetLastError()};

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
  // The verification's own result and error: the state-close call afterwards may change the
  // thread's last error, and that error decides the pass rule and the text of a failure.
  LONG result = 0;
  DWORD error = 0;
  const bool completed = RunGuarded([&] {
    SetLastError(0);
    result = verify(nullptr, &action, &data);
    error = GetLastError();
  });
  if (!completed) return {kSignatureException, error};
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  RunGuarded([&] { verify(nullptr, &action, &data); });
  return {SignatureStatusOf(static_cast<std::uint32_t>(result), error), error};
}

namespace {

// Whether every byte of `range` can be read, reading it in portions and keeping none.
bool RangeReadable(HANDLE file, const FileRange& range) {
  Bytes portion(static_cast<std::size_t>(std::min<std::uint64_t>(range.length, 64 * 1024)));
  for (std::uint64_t at = 0; at < range.length;) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(portion.size(), range.length - at));
    if (!ReadFileAt(file, range.offset + at, std::span(portion.data(), n))) return false;
    at += n;
  }
  return true;
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
      // WinVerifyTrust from the system folder; the module stays loaded until the check is done.
      UniqueModule wintrust = LoadSystemLibrary(L"wintrust.dll");
      const SignatureCheck check = CheckSignatureWith(wintrust.Function<TrustFunction>("WinVerifyTrust"), c.exe_path);
      if (!SignaturePasses(check.status, check.error)) {
        SetLastError(check.error);
        CorruptInstaller(SignatureCorruptCode(check.status), true);
      }
      break;
    }
    default:
      break;
  }

  // The uninstaller keeps the part before the section; what follows the section is checked for
  // reading in portions and copied the same way when the uninstaller is written. With the file
  // data after the section nothing follows that the uninstaller needs.
  if (c.header.product_flags2 & kFlags2UninstallerWithoutSection) {
    c.uninstaller_tail =
        UninstallerTail(c.installer_size, c.section, c.settings.ExternalData != 0, c.certificate_table);
    if (!RangeReadable(file, c.uninstaller_tail)) CorruptInstaller(42, true);
    c.uninstaller_head = BuildUninstallerHead(before, c.section);
  }
}

}  // namespace mv
