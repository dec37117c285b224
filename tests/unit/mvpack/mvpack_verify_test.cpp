// mvpack verify on installers that were signed after building: the same verdict and the same
// uninstaller image as the runtime's.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "build.h"
#include "package/header.h"
#include "package/settings.h"
#include "package_test_support.h"
#include "project.h"
#include "verify.h"

namespace mvpack {
namespace {

namespace fs = std::filesystem;

Project SignableProject(const fs::path& dir) {
  fs::create_directories(dir);
  const mv::Bytes content = mv::testing::Filler(20000, 3);
  std::ofstream(dir / "data.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
  Project p;
  p.settings.ProductFlags = mv::kFlagCompressedChunks;
  p.product_flags2 = mv::kFlags2UninstallerWithoutSection;
  p.chunk_size = 4096;
  p.preset = 1;
  p.extreme = false;
  ProjectFile f;
  f.source = dir / "data.bin";
  f.record.name = "data.bin";
  p.files.push_back(f);
  return p;
}

TEST(MvpackVerify, SignedInstallersStaySoundAndTheirUninstallerIsTheRuntime) {
  const fs::path dir = fs::temp_directory_path() / "mvpack-verify-signed";
  fs::remove_all(dir);
  const mv::Bytes runtime = mv::testing::MakeTestPe(mv::testing::FourSections());
  for (bool external : {false, true}) {
    for (int check : {0, 2}) {
      SCOPED_TRACE(::testing::Message() << (external ? "external data" : "in-section data") << ", IntegrityCheck "
                                        << check);
      Project p = SignableProject(dir);
      p.settings.ExternalData = external ? 1 : 0;
      p.settings.IntegrityCheck = static_cast<std::uint8_t>(check);
      mv::Bytes file = BuildInstaller(p, runtime).file;
      // A block length that is not a multiple of 8 makes the signing pad before the table.
      mv::testing::AppendCertificateTable(file, 1200);
      const Verdict v = VerifyInstaller(file);
      ASSERT_EQ(v.kind, Verdict::kSound) << v.code << ": " << v.message;
      EXPECT_EQ(v.uninstaller_size, runtime.size());
      EXPECT_NE(v.message.find("Signed: a certificate table of 1200 bytes"), std::string::npos) << v.message;
    }
  }
}

TEST(MvpackVerify, TheFileCrcAndSigningExcludeEachOther) {
  const fs::path dir = fs::temp_directory_path() / "mvpack-verify-crc";
  fs::remove_all(dir);
  Project p = SignableProject(dir);
  p.settings.IntegrityCheck = 1;
  mv::Bytes file = BuildInstaller(p, mv::testing::MakeTestPe(mv::testing::FourSections())).file;
  ASSERT_EQ(VerifyInstaller(file).kind, Verdict::kSound);
  mv::testing::AppendCertificateTable(file);
  const Verdict v = VerifyInstaller(file);
  EXPECT_EQ(v.kind, Verdict::kCorrupt);
  EXPECT_EQ(v.code, 40);
  EXPECT_NE(v.message.find("signed installers use IntegrityCheck 2"), std::string::npos) << v.message;
}

}  // namespace
}  // namespace mvpack
