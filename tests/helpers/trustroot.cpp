// trustroot: adds a DER certificate to the machine's trusted root store, or removes it again, so
// that a test can make a self-signed signature chain to a trusted root.
//
//   trustroot add <certificate.der>
//   trustroot remove <certificate.der>
//
// Exits 0 when done, 1 when a store call failed (the system error is printed), 2 on bad usage.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

struct Store {
  HCERTSTORE h = nullptr;
  explicit Store(HCERTSTORE store) : h(store) {}
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;
  ~Store() {
    if (h) CertCloseStore(h, 0);
  }
};

struct Certificate {
  PCCERT_CONTEXT c = nullptr;
  explicit Certificate(PCCERT_CONTEXT context) : c(context) {}
  Certificate(const Certificate&) = delete;
  Certificate& operator=(const Certificate&) = delete;
  ~Certificate() {
    if (c) CertFreeCertificateContext(c);
  }
  PCCERT_CONTEXT release() {
    PCCERT_CONTEXT out = c;
    c = nullptr;
    return out;
  }
};

struct File {
  HANDLE h = INVALID_HANDLE_VALUE;
  explicit File(HANDLE file) : h(file) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

int Fail(const char* what) {
  std::fprintf(stderr, "trustroot: %s failed, error 0x%08lX\n", what, GetLastError());
  return 1;
}

bool ReadWhole(const wchar_t* path, std::vector<BYTE>& out) {
  File file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (file.h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.h, &size) || size.QuadPart <= 0 || size.QuadPart > (1 << 20)) return false;
  out.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD got = 0;
  return ReadFile(file.h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr) && got == out.size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 || (std::wcscmp(argv[1], L"add") != 0 && std::wcscmp(argv[1], L"remove") != 0)) {
    std::fputs("usage: trustroot add|remove <certificate.der>\n", stderr);
    return 2;
  }
  const bool add = std::wcscmp(argv[1], L"add") == 0;
  std::vector<BYTE> der;
  if (!ReadWhole(argv[2], der)) return Fail("reading the certificate");

  Store root(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
  if (!root.h) return Fail("CertOpenStore");
  if (add) {
    if (!CertAddEncodedCertificateToStore(root.h, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
      return Fail("CertAddEncodedCertificateToStore");
    std::puts("added");
    return 0;
  }
  Certificate wanted(CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
  if (!wanted.c) return Fail("CertCreateCertificateContext");
  Certificate found(CertFindCertificateInStore(root.h, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted.c, nullptr));
  if (!found.c) {
    std::puts("not present");
    return 0;
  }
  // CertDeleteCertificateFromStore frees the context it is given, whatever it returns.
  if (!CertDeleteCertificateFromStore(found.release())) return Fail("CertDeleteCertificateFromStore");
  // Wine keeps a deletion from a system store in memory unless the store is committed by force.
  if (!CertControlStore(root.h, CERT_STORE_CTRL_COMMIT_FORCE_FLAG, CERT_STORE_CTRL_COMMIT, nullptr))
    return Fail("CertControlStore");
  std::puts("removed");
  return 0;
}
