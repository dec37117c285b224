#include "package/installer_file.h"

#include <gtest/gtest.h>

#include "package/corrupt.h"
#include "package/crc32.h"
#include "package_test_support.h"

namespace mv {
namespace {

using testing::FourSections;
using testing::MakeTestPe;
using testing::TestPeEntry;

std::span<const std::uint8_t> Before(const Bytes& file, const SectionInfo& s) {
  return std::span(file).first(s.raw_offset);
}
// The uninstaller image as the runtime writes it: the head, then the tail copied from the file.
Bytes Uninstaller(const Bytes& file, const SectionInfo& s, bool external_data) {
  Bytes image = BuildUninstallerHead(Before(file, s), s);
  const FileRange table = FindCertificateTable(file, s.header_offset, file.size());
  const FileRange tail = UninstallerTail(file.size(), s, external_data, table);
  image.insert(image.end(), file.begin() + static_cast<std::ptrdiff_t>(tail.offset),
               file.begin() + static_cast<std::ptrdiff_t>(tail.end()));
  return image;
}

TEST(InstallerAppendSection, AddsAMappableSectionAfterTheLastOne) {
  const Bytes runtime = MakeTestPe(FourSections());
  const Bytes payload = testing::Filler(5000);
  const AppendedSection added = AppendSection(runtime, ".setup", payload);
  const Bytes& file = added.file;

  const SectionInfo found = LocateSection(file);
  EXPECT_EQ(found.entry_offset, TestPeEntry(4));
  EXPECT_EQ(found.raw_offset, added.info.raw_offset);
  EXPECT_EQ(found.raw_size, added.info.raw_size);
  EXPECT_EQ(found.virtual_address, 0x5000u);
  EXPECT_EQ(found.section_count, 5u);
  EXPECT_EQ(found.raw_offset, runtime.size());  // already file-aligned
  EXPECT_EQ(found.raw_size, 0x2000u);           // 5000 bytes padded to the section alignment
  EXPECT_EQ(file.size(), runtime.size() + 0x2000u);
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), file.begin() + found.raw_offset));

  const std::uint8_t* nt = &file[testing::kTestPeOffset];
  EXPECT_EQ(LoadLe32(nt + kPeImageSizeOffset), 0x7000u);
  EXPECT_EQ(LoadLe32(nt + kPeInitializedDataSizeOffset), 4 * 0x200u + 0x2000u);
  const std::uint8_t* entry = &file[found.entry_offset];
  EXPECT_EQ(LoadLe32(entry + 8), 5000u);              // VirtualSize: the real length
  EXPECT_EQ(LoadLe32(entry + 36), 0x40000040u);       // initialised data, readable
}

TEST(InstallerAppendSection, PadsAnUnalignedFileAndPutsTheExternalTailRightAfterTheSectionBytes) {
  Bytes runtime = MakeTestPe(FourSections());
  runtime.push_back(0xAB);  // trailing byte: the raw data must start at the next file-aligned offset
  const Bytes tail = testing::Filler(5000, 4);
  const AppendedSection added = AppendSection(runtime, ".setup", Bytes(10, 7), tail);
  EXPECT_EQ(added.info.raw_offset, runtime.size() - 1 + 0x200);
  EXPECT_EQ(added.info.raw_size, 0x1000u);
  EXPECT_EQ(added.file.size(), added.info.raw_offset + 10 + tail.size());
  EXPECT_EQ(Bytes(added.file.begin() + added.info.raw_offset + 10, added.file.end()), tail);
  // The tail must fill the section's padding, or the file would end inside the section.
  EXPECT_THROW(AppendSection(runtime, ".setup", Bytes(10, 7), Bytes(0x1000 - 11)), std::invalid_argument);
  EXPECT_NO_THROW(AppendSection(runtime, ".setup", Bytes(10, 7), Bytes(0x1000 - 10)));
}

TEST(InstallerAppendSection, RefusesWhatItCannotExtend) {
  const Bytes runtime = MakeTestPe(FourSections());
  auto sections = FourSections();
  sections.push_back({".setup"});
  // Headers that end right after the table leave no room for a fifth entry.
  const Bytes cramped = MakeTestPe(FourSections(), static_cast<std::uint32_t>(TestPeEntry(4) + 39));
  Bytes not_pe = runtime;
  not_pe[testing::kTestPeOffset] = 'X';
  for (const Bytes* bad : std::initializer_list<const Bytes*>{&cramped, &not_pe})
    EXPECT_THROW(AppendSection(*bad, ".setup", Bytes(1)), std::invalid_argument);
  EXPECT_THROW(AppendSection(MakeTestPe(sections), ".setup", Bytes(1)), std::invalid_argument);
  EXPECT_THROW(AppendSection(runtime, "toolong12", Bytes(1)), std::invalid_argument);
  EXPECT_THROW(AppendSection(Bytes(runtime.begin(), runtime.begin() + 200), ".setup", Bytes(1)), std::invalid_argument);
}

TEST(UninstallerImage, IsTheOriginalExecutableAgainSignedOrNot) {
  const Bytes runtime = MakeTestPe(FourSections());
  const AppendedSection in_section = AppendSection(runtime, ".setup", testing::Filler(12345));
  // The file data after the section: the uninstaller takes none of it.
  const AppendedSection external = AppendSection(runtime, ".setup", Bytes(100, 1), testing::Filler(7777, 9));
  for (const auto& [name, added, is_external] :
       {std::tuple{"in-section data", &in_section, false}, std::tuple{"external data", &external, true}}) {
    for (bool sign : {false, true}) {
      SCOPED_TRACE(::testing::Message() << name << (sign ? ", signed" : ""));
      Bytes file = added->file;
      if (sign) testing::AppendCertificateTable(file, 1500);
      const Bytes image = Uninstaller(file, added->info, is_external);
      EXPECT_EQ(image.size(), runtime.size());
      EXPECT_EQ(image, runtime);  // security directory cleared, no certificate bytes
    }
  }
}

TEST(UninstallerImage, KeepsWhatFollowsTheSectionUpToTheCertificateTable) {
  SectionInfo s;
  s.raw_offset = 0x1000;
  s.raw_size = 0x2000;  // the section ends at 0x3000
  struct Case {
    const char* name;
    std::uint64_t file_size;
    bool external;
    FileRange table;
    FileRange expected;
  } cases[] = {
      {"nothing after the section", 0x3000, false, {}, {0x3000, 0}},
      {"appended bytes", 0x3100, false, {}, {0x3000, 0x100}},
      {"appended bytes, then the table", 0x3500, false, {0x3100, 0x400}, {0x3000, 0x100}},
      {"only the table", 0x3400, false, {0x3000, 0x400}, {0x3000, 0}},
      {"table overlapping the section", 0x3400, false, {0x2F00, 0x500}, {0x3000, 0}},
      {"table before the section end: nothing is kept", 0x3100, false, {0x800, 0x10}, {0x3000, 0}},
      {"file data after the section", 0x90000, true, {}, {0x3000, 0}},
      {"file data after the section, signed", 0x90400, true, {0x90000, 0x400}, {0x3000, 0}},
      {"file ending inside the section", 0x2000, false, {}, {0x2000, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(UninstallerTail(c.file_size, s, c.external, c.table), c.expected);
  }
}

TEST(UninstallerImage, MovesTheFollowingSectionsDown) {
  const Bytes file = MakeTestPe({{".text"}, {".setup", 0x600}, {".data", 0x400}, {".rdata"}, {".rsrc"}});
  const SectionInfo setup = LocateSection(file);
  const Bytes image = Uninstaller(file, setup, false);

  EXPECT_EQ(image.size(), file.size() - 0x600);
  EXPECT_THROW(LocateSection(image), FatalPackageError);  // a valid table without the section
  const std::uint8_t* nt = &image[testing::kTestPeOffset];
  EXPECT_EQ(LoadLe16(nt + kPeSectionCountOffset), 4u);
  EXPECT_EQ(LoadLe32(nt + kPeInitializedDataSizeOffset), 0xA00u);
  EXPECT_EQ(LoadLe32(nt + kPeImageSizeOffset), LoadLe32(&file[testing::kTestPeOffset + kPeImageSizeOffset]) - 0x600);
  EXPECT_EQ(Bytes(image.begin() + TestPeEntry(4), image.begin() + TestPeEntry(5)), Bytes(40, 0));
  for (auto [index, name, old_index] :
       {std::tuple{1, ".data", 2}, std::tuple{2, ".rdata", 3}, std::tuple{3, ".rsrc", 4}}) {
    const std::uint8_t* entry = &image[TestPeEntry(index)];
    const std::uint8_t* old_entry = &file[TestPeEntry(old_index)];
    EXPECT_STREQ(reinterpret_cast<const char*>(entry), name);
    const std::uint32_t raw = LoadLe32(entry + 20), size = LoadLe32(entry + 16);
    EXPECT_EQ(raw, LoadLe32(old_entry + 20) - 0x600);
    EXPECT_TRUE(std::equal(image.begin() + raw, image.begin() + raw + size, file.begin() + LoadLe32(old_entry + 20)))
        << name;
  }
}

TEST(UninstallerImage, RefusesHeadersOutsideThePartRead) {
  const Bytes file = MakeTestPe({{".text"}, {".setup"}, {".data"}, {".rsrc"}});
  const SectionInfo setup = LocateSection(file);
  try {
    BuildUninstallerHead(std::span(file).first(TestPeEntry(3)), setup);
    FAIL();
  } catch (const CorruptPackage& e) {
    EXPECT_EQ(e.code(), 35);
  }
}

TEST(InstallerFileCrc, CoversEverythingFromAfterTheChecksumToTheSection) {
  const AppendedSection added = AppendSection(MakeTestPe(FourSections()), ".setup", Bytes(64, 3));
  const SectionInfo& s = added.info;
  const std::uint32_t crc = ComputeFileCrc(added.file, s);
  EXPECT_EQ(crc, Crc32(std::span(added.file).subspan(s.header_offset + 92, s.raw_offset - s.header_offset - 92)));

  auto code_after_flip = [&](std::size_t offset) {
    Bytes before(added.file.begin(), added.file.begin() + s.raw_offset);
    before[offset] ^= 1;
    try {
      VerifyFileCrc(before, s.header_offset, crc);
    } catch (const CorruptPackage& e) {
      return e.code();
    }
    return 0;
  };
  EXPECT_EQ(code_after_flip(s.header_offset + 88), 0);   // the PE checksum field is outside
  EXPECT_EQ(code_after_flip(s.header_offset + 92), 40);
  EXPECT_EQ(code_after_flip(s.raw_offset - 1), 40);
  EXPECT_THROW(VerifyFileCrc(std::span(added.file).first(s.header_offset + 91), s.header_offset, crc), CorruptPackage);
}

}  // namespace
}  // namespace mv
