// The decision over an installer's Authenticode check: the trust result (and the last system error)
// mapped to a signature status, and whether that status lets the installation go on.
#pragma once

#include <cstdint>

namespace mv {

enum SignatureStatus : int {
  kSignatureValid = 0,
  kSignatureMissing = 1,
  kSignatureDistrusted = 2,
  kSignatureUntrusted = 3,       // bad digest, subject not trusted, untrusted root
  kSignatureSecuritySettings = 4,
  kSignatureUnavailable = 5,     // the trust function could not be called
  kSignatureOther = 6,
  kSignatureFileNotFound = 7,
  kSignatureFileAccessDenied = 8,
  kSignatureSubjectForm = 9,
  kSignatureRevoked = 10,
  kSignatureExpired = 11,
  kSignatureTimeStamp = 12,
  kSignatureCertificateSignature = 13,
  kSignatureFileOpenFailed = 14,
  kSignatureException = 15,
  kSignatureProviderUnknown = 16,
  kSignatureChaining = 17,
};

// Status of one trust result. A no-signature result is re-mapped through `last_error` (the system's
// last error, which often says more); when that is again "no signature", or says nothing, the status
// is kSignatureMissing.
int SignatureStatusOf(std::uint32_t trust_result, std::uint32_t last_error);

// Status for a failure to open the installer file before the check, from the system error.
int SignatureStatusOfOpenError(std::uint32_t system_error);

// Whether the installation may go on: statuses 0, 4 to 11, 13 and 17 pass; any other only when the
// last system error is the certificate-chain problem 0x800B010A.
bool SignaturePasses(int status, std::uint32_t last_error);

// The corrupt-installer code of a failed check.
inline int SignatureCorruptCode(int status) { return 1000 + status; }

}  // namespace mv
