#include "app/signature.h"

namespace mv {

namespace {

constexpr std::uint32_t kNoSignature = 0x800B0100;
constexpr std::uint32_t kCertChaining = 0x800B010A;

int StatusOfResult(std::uint32_t r) {
  switch (r) {
    case 0: return kSignatureValid;
    case kNoSignature: return kSignatureMissing;
    case 0x800B0111: return kSignatureDistrusted;           // explicitly distrusted
    case 0x80096010:                                        // bad digest
    case 0x800B0004:                                        // subject not trusted
    case 0x800B0109: return kSignatureUntrusted;            // untrusted root
    case 0x80092026: return kSignatureSecuritySettings;
    case 0x800B0003: return kSignatureSubjectForm;
    case 0x800B010C: return kSignatureRevoked;
    case 0x800B0101: return kSignatureExpired;
    case 0x80096005:                                        // time stamp
    case 0x800B0102: return kSignatureTimeStamp;            // validity period nesting
    case 0x80096004: return kSignatureCertificateSignature;
    case 0x800B0001:                                        // provider unknown
    case 0x800B0002: return kSignatureProviderUnknown;      // action unknown
    case kCertChaining: return kSignatureChaining;
    default: return kSignatureOther;
  }
}

}  // namespace

int SignatureStatusOf(std::uint32_t trust_result, std::uint32_t last_error) {
  int status = StatusOfResult(trust_result);
  if (status != kSignatureMissing) return status;
  if (last_error == 0) return kSignatureMissing;
  return StatusOfResult(last_error);
}

int SignatureStatusOfOpenError(std::uint32_t e) {
  switch (e) {
    case 2:   // file not found
    case 3:   // path not found
      return kSignatureFileNotFound;
    case 5:   // access denied
      return kSignatureFileAccessDenied;
    default:  // sharing violation, lock, bad name and the rest
      return kSignatureFileOpenFailed;
  }
}

bool SignaturePasses(int status, std::uint32_t last_error) {
  if (status == 0 || (status >= 4 && status <= 11) || status == 13 || status == 17) return true;
  return last_error == kCertChaining;
}

}  // namespace mv
