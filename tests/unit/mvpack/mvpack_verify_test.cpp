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
#include "record_installer.h"
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

// Each damaged record earns the code the installer stops with; records the installer accepts stay
// sound. The chunks are small, so records straddle chunk borders.
TEST(MvpackVerify, EveryFileRecordIsChecked) {
  std::vector<std::int32_t> sizes;
  const mv::Bytes sound = testing::RecordStream({testing::Record("a.txt"), testing::Record("b.txt")}, &sizes);
  mv::Bytes bad_magic = sound;
  bad_magic[0] ^= 1;
  mv::Bytes second_magic = sound;
  second_magic[mv::SerializeFileRecordHead(testing::Record("a.txt")).size() + 14] ^= 0x80;
  mv::Bytes trailing = sound;
  trailing.insert(trailing.end(), 5, 'x');
  struct Case {
    const char* what;
    mv::Bytes stream;
    std::vector<std::int32_t> sizes;
    int code;                 // 0: sound
    const char* note = "";
  } cases[] = {
      {"sound", sound, sizes, 0, "2 file(s)"},
      {"bytes after the last record", trailing, sizes, 0, "5 byte(s) after the last record"},
      {"first record's magic", bad_magic, sizes, 101},
      {"second record's magic", second_magic, sizes, 101},
      {"records end early", mv::Bytes(sound.begin(), sound.end() - 20), sizes, 101},
      {"last file's bytes cut short", mv::Bytes(sound.begin(), sound.end() - 1), sizes, 101},
      {"the table names more files than there are", sound, {sizes[0], sizes[1], 4}, 101},
      {"empty name", testing::RecordStream({testing::Record("")}), {9}, 70},
      {"table entry at the limit", sound, {sizes[0], mv::kMaxFileSize}, 72},
      {"size differs from the table", sound, {sizes[0], sizes[1] + 1}, 73},
      {"kind 2", testing::RecordStream({testing::Record("k", 2)}), {10}, 110},
      {"kind 13", testing::RecordStream({testing::Record("a.txt"), testing::Record("k", 13)}), {14, 10}, 110},
      {"kind 3 in the uninstall-data folder", testing::RecordStream({testing::Record("k", 3, u"", 0x40)}), {10}, 0},
      {"kind 13 with a destination", testing::RecordStream({testing::Record("k", 13, u"sub\\")}), {10}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Verdict v = VerifyInstaller(testing::InstallerWithRecordStream(c.stream, c.sizes, 7));
    EXPECT_EQ(v.kind, c.code == 0 ? Verdict::kSound : Verdict::kCorrupt) << v.message;
    EXPECT_EQ(v.code, c.code) << v.message;
    EXPECT_NE(v.message.find(c.note), std::string::npos) << v.message;
  }
}

}  // namespace
}  // namespace mvpack
