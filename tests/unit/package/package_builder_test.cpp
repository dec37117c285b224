#include "package/package_builder.h"

#include <gtest/gtest.h>

#include "package/corrupt.h"
#include "package/crc32.h"
#include "package/data_block.h"
#include "package/installer_file.h"
#include "package_test_support.h"

namespace mv {
namespace {

using testing::Filler;

PackageHeader Template(bool blowfish) {
  PackageHeader h;
  h.product_flags2 = kFlags2UninstallerWithoutSection;
  h.file_sizes = {10, 20};
  if (blowfish) {
    h.blowfish_key.emplace();
    for (std::size_t i = 0; i < kBlowfishKeySize; ++i) (*h.blowfish_key)[i] = static_cast<std::uint8_t>(i ^ 0x5C);
  }
  return h;
}

int CodeOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const CorruptPackage& e) {
    return e.code();
  }
  return 0;
}

// Reads an installer the way the runtime does and returns the decoded file data.
Bytes ReadBack(const Bytes& file, bool compressed, bool external) {
  const SectionInfo where = LocateSection(file);
  const auto section = std::span(file).subspan(where.raw_offset, where.raw_size);
  const PackageHeader h = ParseHeader(section);
  const std::optional<Blowfish> cipher =
      h.Enciphered() ? std::optional<Blowfish>(Blowfish(*h.blowfish_key)) : std::nullopt;
  const Bytes settings = DecodeSettingsBlock(section, h, cipher ? &*cipher : nullptr);
  CheckSettingsCrc(settings, h);
  const FileRange certificate_table = FindCertificateTable(file, where.header_offset, file.size());
  // Signing changes the security directory, which the file CRC covers.
  if (certificate_table.length == 0)
    VerifyFileCrc(std::span(file).first(where.raw_offset), where.header_offset, h.file_crc);

  std::span<const std::uint8_t> block;
  if (external) {
    const FileRange range = ExternalDataBlockRange(file.size(), where, h, certificate_table);
    block = std::span(file).subspan(range.offset, range.length);
  } else {
    block = InSectionDataBlock(section, h);
  }
  CheckDataBlockSize(block.size(), h);
  MemoryDataSource source(block);
  CheckDataBlockCrc(source, h);
  Bytes out;
  DecodeDataBlock(source, {cipher ? &*cipher : nullptr, compressed, {}},
                  [&](std::span<const std::uint8_t> part) { out.insert(out.end(), part.begin(), part.end()); });
  return out;
}

TEST(PackageRoundTrip, BuildThenReadWithEveryOption) {
  const Bytes runtime = testing::MakeTestPe(testing::FourSections());
  const Bytes settings = Filler(9000, 11);
  const Bytes content = Filler(100000, 12);
  for (bool blowfish : {false, true}) {
    for (bool compressed : {false, true}) {
      for (bool external : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "blowfish " << blowfish << " compressed " << compressed
                                          << " external " << external);
        const PackageHeader tmpl = Template(blowfish);
        const std::optional<Blowfish> cipher =
            blowfish ? std::optional<Blowfish>(Blowfish(*tmpl.blowfish_key)) : std::nullopt;
        DataBlockWriterOptions w;
        w.chunk_size = 40000;
        w.compress = compressed;
        w.preset = 1;
        w.extreme = false;
        w.blowfish = cipher ? &*cipher : nullptr;
        const Bytes block = EncodeDataBlock(content, w);
        PackageBuildOptions options;
        options.external_data = external;
        options.settings_preset = 1;
        options.settings_extreme = false;

        const BuiltInstaller built = BuildInstaller(runtime, tmpl, settings, block, options);
        EXPECT_EQ(built.header.Enciphered(), blowfish);
        EXPECT_EQ(built.header.settings_crc, Crc32(settings));
        EXPECT_EQ(built.header.data_size, static_cast<std::int32_t>(block.size()));
        EXPECT_EQ(built.header.data_crc, Crc32(block));
        EXPECT_EQ(static_cast<std::uint32_t>(built.header.data_end),
                  built.header.SettingsEnd() + (external ? 0 : block.size()));
        EXPECT_EQ(ReadBack(built.file, compressed, external), content);

        // Signed after building: the file data still reads back, the file CRC no longer matches, and
        // the uninstaller is the runtime again either way.
        Bytes signed_file = built.file;
        testing::AppendCertificateTable(signed_file, 900);
        EXPECT_EQ(ReadBack(signed_file, compressed, external), content);
        const SectionInfo& s = built.section;
        EXPECT_EQ(CodeOf([&] { VerifyFileCrc(std::span(signed_file).first(s.raw_offset), s.header_offset,
                                             built.header.file_crc); }),
                  40);
        for (const Bytes* file : {&built.file, static_cast<const Bytes*>(&signed_file)}) {
          const FileRange tail = UninstallerTail(file->size(), s, external,
                                                 FindCertificateTable(*file, s.header_offset, file->size()));
          EXPECT_EQ(tail.length, 0u);
          EXPECT_EQ(BuildUninstallerHead(std::span(*file).first(s.raw_offset), s), runtime);
        }
      }
    }
  }
}

TEST(PackageSettings, DamagedBlocksFailDecompressionWith47) {
  const Bytes settings = Filler(3000, 2);
  for (bool blowfish : {false, true}) {
    const Bytes section = BuildPackageSection(Template(blowfish), settings, {});
    const PackageHeader h = ParseHeader(section);
    EXPECT_EQ(DecodeSettingsBlock(section, h), settings);
    // A flipped byte in the middle breaks the xz data; one in the last block breaks the cipher's
    // length word, which empties the buffer.
    for (std::size_t from_end : {std::size_t{h.settings_size / 2u}, std::size_t{2}}) {
      Bytes damaged = section;
      damaged[h.SettingsEnd() - from_end] ^= 0x40;
      EXPECT_EQ(CodeOf([&] { DecodeSettingsBlock(damaged, h); }), 47) << blowfish << " " << from_end;
    }
    // Read with the wrong routine: Blowfish data descrambled, or scrambled data deciphered.
    PackageHeader wrong = h;
    wrong.product_flags2 ^= kFlags2Blowfish;
    if (!wrong.blowfish_key) wrong.blowfish_key = Template(true).blowfish_key;
    EXPECT_EQ(CodeOf([&] { DecodeSettingsBlock(section, wrong); }), 47) << blowfish;
  }
}

TEST(PackageSettings, BlockBeyondTheSectionAndCrcMismatch) {
  const Bytes settings = Filler(500, 3);
  const Bytes section = BuildPackageSection(Template(false), settings, {});
  const PackageHeader h = ParseHeader(section);
  EXPECT_EQ(CodeOf([&] { DecodeSettingsBlock(std::span(section).first(h.SettingsEnd() - 1), h); }), 22);
  EXPECT_EQ(CodeOf([&] { CheckSettingsCrc(settings, h); }), 0);
  Bytes other = settings;
  other[0] ^= 1;
  EXPECT_EQ(CodeOf([&] { CheckSettingsCrc(other, h); }), 25);
}

TEST(PackageSeal, FileCrcIsStoredInTheHeaderAndCoversTheExecutable) {
  const Bytes runtime = testing::MakeTestPe(testing::FourSections());
  for (const char* version : {"50.0", "50.000"}) {
    PackageHeader tmpl = Template(false);
    tmpl.version = version;
    const BuiltInstaller built = BuildInstaller(runtime, tmpl, Filler(100), {});
    const SectionInfo& s = built.section;
    const PackageHeader h = ParseHeader(std::span(built.file).subspan(s.raw_offset, s.raw_size));
    EXPECT_EQ(h.file_crc, ComputeFileCrc(built.file, s)) << version;
    EXPECT_EQ(h.file_crc, built.header.file_crc) << version;
    EXPECT_EQ(h.settings_size, built.header.settings_size) << version;

    Bytes tampered = built.file;
    tampered[s.raw_offset - 1] ^= 1;
    EXPECT_EQ(CodeOf([&] { VerifyFileCrc(std::span(tampered).first(s.raw_offset), s.header_offset, h.file_crc); }), 40);
  }
}

TEST(PackageSection, HoldsTheDataBlockUnlessItIsExternal) {
  const Bytes block = EncodeDataBlock(Filler(3000), {});
  for (bool external : {false, true}) {
    PackageBuildOptions options;
    options.external_data = external;
    const Bytes section = BuildPackageSection(Template(false), Filler(200), block, options);
    const PackageHeader h = ParseHeader(section);
    EXPECT_EQ(section.size(), h.SettingsEnd() + (external ? 0 : block.size()));
    EXPECT_EQ(h.data_size, static_cast<std::int32_t>(block.size()));
    if (!external) {
      EXPECT_EQ(Bytes(section.begin() + h.SettingsEnd(), section.end()), block);
    }
  }
}

}  // namespace
}  // namespace mv
