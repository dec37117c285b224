// The installer-file check and the preparation of the uninstaller image.
#pragma once

#include <windows.h>

#include <string>

namespace mv {

// Reads the part of the installer file before the package section, checks it as the package's
// IntegrityCheck setting asks (0 none, 1 the file CRC, 2 the Authenticode signature), and keeps the
// uninstaller image (the file without the section) when the package asks for one.
void CheckInstallerFile(HANDLE file);

// The Authenticode check of `path` through `verify` (WinVerifyTrust; null when it could not be
// loaded): the signature status with the system error the verification itself left. A crash inside
// the trust provider gives kSignatureException.
using TrustFunction = LONG(WINAPI*)(HWND, GUID*, LPVOID);
struct SignatureCheck {
  int status = 0;
  DWORD error = 0;
};
SignatureCheck CheckSignatureWith(TrustFunction verify, const std::wstring& path);

}  // namespace mv
