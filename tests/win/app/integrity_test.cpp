// The Authenticode check with stand-ins for the trust provider.
#include "app/integrity_win.h"

#include <gtest/gtest.h>

#include <softpub.h>
#include <wintrust.h>

#include "app/signature.h"

namespace mv {
namespace {

std::wstring OwnPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// The result of the check is decided by the verification call; its state-close call afterwards
// leaves another error behind, which must not be taken.
LONG WINAPI ChainProblem(HWND, GUID*, LPVOID data) {
  auto* trust = static_cast<WINTRUST_DATA*>(data);
  if (trust->dwStateAction == WTD_STATEACTION_CLOSE) {
    SetLastError(ERROR_SUCCESS);
    return 0;
  }
  SetLastError(static_cast<DWORD>(CERT_E_CHAINING));
  return static_cast<LONG>(CERT_E_CHAINING);
}

LONG WINAPI Crashes(HWND, GUID*, LPVOID data) {
  if (static_cast<WINTRUST_DATA*>(data)->dwStateAction == WTD_STATEACTION_VERIFY) {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  }
  return 0;
}

LONG WINAPI Unsigned(HWND, GUID*, LPVOID) {
  SetLastError(static_cast<DWORD>(TRUST_E_NOSIGNATURE));
  return static_cast<LONG>(TRUST_E_NOSIGNATURE);
}

TEST(SignatureCheck, TheVerificationsOwnErrorIsKept) {
  const SignatureCheck chain = CheckSignatureWith(ChainProblem, OwnPath());
  EXPECT_EQ(chain.error, static_cast<DWORD>(CERT_E_CHAINING));
  EXPECT_EQ(chain.status, kSignatureChaining);

  const SignatureCheck missing = CheckSignatureWith(Unsigned, OwnPath());
  EXPECT_EQ(missing.status, kSignatureMissing);
  EXPECT_FALSE(SignaturePasses(missing.status, missing.error));
}

TEST(SignatureCheck, ACrashInsideTheProviderIsStatus15) {
  const SignatureCheck crashed = CheckSignatureWith(Crashes, OwnPath());
  EXPECT_EQ(crashed.status, kSignatureException);
  EXPECT_FALSE(SignaturePasses(crashed.status, crashed.error));
}

TEST(SignatureCheck, MissingProviderOrFile) {
  EXPECT_EQ(CheckSignatureWith(nullptr, OwnPath()).status, kSignatureUnavailable);
  const SignatureCheck absent = CheckSignatureWith(Unsigned, L"C:\\no such folder\\setup.exe");
  EXPECT_NE(absent.status, kSignatureMissing);
  EXPECT_NE(absent.error, 0u);
}

}  // namespace
}  // namespace mv
