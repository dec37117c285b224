// Installers signed after building, with the real signing tool (osslsigncode) and a self-signed
// certificate that openssl makes for the run: they stay sound, and the runtime's signature check
// under Wine tells a signed, a tampered and an unsigned installer apart.
#include <gtest/gtest.h>

#include <cctype>

#include "package/header.h"
#include "package/pe.h"
#include "scenario.h"
#include "verify.h"

namespace mve2e {
namespace {

// Runs a host program; fails the test when it does not exit 0 within a minute.
std::string RunHost(const std::vector<std::string>& argv) {
  Process p(argv, true);
  std::optional<int> status = p.Wait(60);
  EXPECT_TRUE(status && *status == 0) << argv[0] << " failed: " << p.output();
  return p.output();
}

struct Signer {
  fs::path key, certificate, certificate_der;
  std::string thumbprint;  // SHA-1, upper-case hexadecimal, as the certificate store names it
};

Signer MakeSigner(const fs::path& dir) {
  Signer s{dir / "signer.key", dir / "signer.pem", dir / "signer.der", {}};
  RunHost({"openssl", "genpkey", "-quiet", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-out",
           s.key.string()});
  RunHost({"openssl", "req", "-x509", "-key", s.key.string(), "-out", s.certificate.string(), "-days", "2", "-subj", "/CN=Marevault Test Root", "-addext",
           "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,digitalSignature,keyCertSign",
           "-addext", "extendedKeyUsage=codeSigning"});
  RunHost({"openssl", "x509", "-in", s.certificate.string(), "-outform", "DER", "-out", s.certificate_der.string()});
  std::string fingerprint =
      RunHost({"openssl", "x509", "-in", s.certificate.string(), "-noout", "-fingerprint", "-sha1"});
  for (char c : fingerprint.substr(fingerprint.find('=') + 1))
    if (std::isxdigit(static_cast<unsigned char>(c))) s.thumbprint += static_cast<char>(std::toupper(c));
  return s;
}

fs::path Sign(const Signer& s, const fs::path& installer) {
  fs::path out = installer;
  out.replace_extension(".signed.exe");
  fs::remove(out);
  RunHost({"osslsigncode", "sign", "-certs", s.certificate.string(), "-key", s.key.string(), "-h", "sha256", "-in",
           installer.string(), "-out", out.string()});
  return out;
}

fs::path WindowsPath(const fs::path& p) {
  std::string text = "Z:" + fs::absolute(p).string();
  for (char& c : text)
    if (c == '/') c = '\\';
  return text;
}

// The signer's certificate in the prefix's machine root store for the life of the object.
class TrustedRoot {
 public:
  explicit TrustedRoot(const Signer& s) : signer_(s) {
    ToolResult r = RunTool(HelperExe("trustroot"), {"add", WindowsPath(s.certificate_der).string()}, 60);
    EXPECT_EQ(r.status, 0) << r.output;
  }
  TrustedRoot(const TrustedRoot&) = delete;
  TrustedRoot& operator=(const TrustedRoot&) = delete;
  ~TrustedRoot() { RunTool(HelperExe("trustroot"), {"remove", WindowsPath(signer_.certificate_der).string()}, 60); }

 private:
  const Signer& signer_;
};

bool InMachineRootStore(const Signer& s) {
  return static_cast<bool>(
      Reg({"query", "HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" + s.thumbprint}));
}

TEST(Signing, SignedInstallersStaySoundWithTheirDataInOrAfterTheSection) {
  fs::path dir = ScratchDir("signing-sound");
  Signer signer = MakeSigner(dir);
  const std::uint64_t runtime_size = fs::file_size(RuntimeExe());
  for (bool external : {false, true}) {
    SCOPED_TRACE(external ? "file data after the section" : "file data in the section");
    mvpack::Project p = SmallProject(dir);
    p.settings.ExternalData = external ? 1 : 0;
    p.product_flags2 |= mv::kFlags2UninstallerWithoutSection;
    Built b = Build(p, dir / (external ? "external.exe" : "in-image.exe"));
    fs::path signed_path = Sign(signer, b.path);
    mv::Bytes signed_file = ReadAll(signed_path);
    ASSERT_GT(signed_file.size(), b.installer.file.size());

    mvpack::Verdict v = mvpack::VerifyInstaller(signed_file);
    EXPECT_EQ(v.kind, mvpack::Verdict::kSound) << v.code << ": " << v.message;
    EXPECT_NE(v.message.find("Signed: a certificate table"), std::string::npos) << v.message;
    // The uninstaller is the runtime again: no file data, no certificate table.
    EXPECT_EQ(v.uninstaller_size, runtime_size);

    ExitCode r = RunWindows(signed_path, "/silent", 60, dir);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 0u);
  }
}

// Wine 8's WinVerifyTrust checks the signature's digest against the file but accepts the
// self-signed certificate whether or not it is in the root store; trusting it here is what a
// Windows machine needs, and the root store entry is checked, but Wine cannot show the difference.
TEST(Signing, SignatureCheckPassesASignedInstallerAndReportsTamperedAndUnsignedOnes) {
  fs::path dir = ScratchDir("signing-check");
  Signer signer = MakeSigner(dir);
  mvpack::Project p = SmallProject(dir);
  p.settings.ExternalData = 1;
  p.settings.IntegrityCheck = 2;
  Built unsigned_installer = Build(p, dir / "setup.exe");
  fs::path signed_path = Sign(signer, unsigned_installer.path);

  // One byte of unused header space after the section table: covered by the signature only.
  mv::Bytes tampered = ReadAll(signed_path);
  tampered.at(unsigned_installer.installer.section.entry_offset + 2 * mv::kSectionEntrySize + 5) ^= 0x5A;
  ASSERT_EQ(mvpack::VerifyInstaller(tampered).kind, mvpack::Verdict::kSound) << "only the signature notices";
  fs::path tampered_path = dir / "tampered.exe";
  WriteAll(tampered_path, tampered);

  EXPECT_FALSE(InMachineRootStore(signer));
  {
    TrustedRoot trust(signer);
    ASSERT_TRUE(InMachineRootStore(signer));

    ExitCode sound = RunWindows(signed_path, "/silent", 60, dir);
    EXPECT_FALSE(sound.timed_out);
    EXPECT_EQ(sound.code, 0u);

    struct Case {
      const char* name;
      fs::path installer;
      const char* code_text;  // 1000 + the signature status
    } cases[] = {
        {"one byte changed: bad digest, status 3", tampered_path, "Error code: 1003"},
        {"unsigned: no signature, status 1", unsigned_installer.path, "Error code: 1001"},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      // In /silent nothing waits for a person: the run ends with 2.
      ExitCode silent = RunWindows(c.installer, "/silent", 60, dir);
      EXPECT_FALSE(silent.timed_out);
      EXPECT_EQ(silent.code, 2u);

      // Outside /silent the report names the code.
      WindowsRun run(c.installer, "/a", 60, dir);
      ToolResult list = RunTool(HelperExe("mvui"),
                             {"list", "--title", "Error", "--holding", c.code_text, "--timeout", "20000"});
      EXPECT_EQ(list.status, 0) << list.output;
      EXPECT_NE(list.output.find(c.code_text), std::string::npos) << list.output;
      EXPECT_EQ(RunTool(HelperExe("mvui"),
                    {"click", "--title", "Error", "--holding", c.code_text, "--id", "1"}).status, 0);
      ExitCode r = run.Wait();
      EXPECT_FALSE(r.timed_out);
      EXPECT_EQ(r.code, 2u);
    }
  }
  EXPECT_FALSE(InMachineRootStore(signer)) << "the root is taken out of the store again";
}

}  // namespace
}  // namespace mve2e
