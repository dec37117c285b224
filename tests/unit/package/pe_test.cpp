#include "package/pe.h"

#include <gtest/gtest.h>

#include "base/bytes.h"
#include "package/corrupt.h"
#include "package_test_support.h"

namespace mv {
namespace {

using testing::FourSections;
using testing::MakeTestPe;
using testing::TestPeEntry;

int CodeOf(std::span<const std::uint8_t> file) {
  try {
    LocateSection(file);
  } catch (const CorruptPackage& e) {
    return e.code();
  }
  return 0;
}

TEST(PeLocate, FindsTheSetupSectionAndReportsItsEntry) {
  auto sections = FourSections();
  sections.insert(sections.begin() + 2, {".setup", 0x400});
  Bytes pe = MakeTestPe(sections);
  SectionInfo info = LocateSection(pe);
  EXPECT_EQ(info.header_offset, testing::kTestPeOffset);
  EXPECT_EQ(info.section_count, 5u);
  EXPECT_EQ(info.entry_offset, TestPeEntry(2));
  EXPECT_EQ(info.virtual_address, 0x3000u);
  EXPECT_EQ(info.raw_size, 0x400u);
  EXPECT_EQ(info.raw_offset, 0x400u + 2 * 0x200u);
}

TEST(PeLocate, NameMatchesOnlyAsWholeZeroTerminatedText) {
  auto sections = FourSections();
  sections.push_back({".setup2"});
  Bytes without = MakeTestPe(sections);
  try {
    LocateSection(without);
    FAIL() << ".setup2 matched";
  } catch (const FatalPackageError& e) {
    EXPECT_STREQ(e.what(),
                 "This program performs installations and uninstallations.\r\n"
                 "There is no installation data present.\r\n"
                 "No uninstallation parameters were specified.\r\n\r\n"
                 "You should not delete this program or execute it directly.");
  }

  sections.push_back({".setup"});
  EXPECT_EQ(LocateSection(MakeTestPe(sections)).entry_offset, TestPeEntry(5));
  // A name that fills all 8 bytes has no terminator and is compared as 8 characters.
  EXPECT_EQ(LocateSection(MakeTestPe(sections), ".setup2").entry_offset, TestPeEntry(4));
}

TEST(PeLocate, HeaderChecksGiveTheirCodes) {
  const Bytes good = MakeTestPe(FourSections());
  auto with = [&](std::size_t offset, std::uint16_t value) {
    Bytes b = good;
    StoreLe16(&b[offset], value);
    return b;
  };
  const std::size_t count = testing::kTestPeOffset + 6;
  struct Case {
    const char* what;
    Bytes file;
    int code;
  } cases[] = {
      {"H 63", with(60, 63), 43},
      {"H 4097", with(60, 4097), 43},
      {"H 64 accepted, then count read at 70", with(60, 64), 44},
      {"H from the low 16 bits only", [&] { Bytes b = good; b[62] = 1; return b; }(), 0},
      {"file ends before H", Bytes(good.begin(), good.begin() + 61), 43},
      {"3 sections", with(count, 3), 44},
      {"100 sections, whole table readable", [&] { Bytes b = with(count, 100); b.resize(8192); return b; }(), 44},
      {"99 sections, whole table readable", [&] { Bytes b = with(count, 99); b.resize(8192); return b; }(), 0},
      {"99 sections, table beyond the end", with(count, 99), 44},
      {"file ends inside the count", Bytes(good.begin(), good.begin() + count + 1), 44},
      {"file ends inside the table", Bytes(good.begin(), good.begin() + TestPeEntry(3) + 39), 44},
  };
  for (const auto& c : cases) {
    if (c.code == 0) {
      EXPECT_THROW(LocateSection(c.file), FatalPackageError) << c.what;  // readable, just no .setup
    } else {
      EXPECT_EQ(CodeOf(c.file), c.code) << c.what;
    }
  }

  auto sections = FourSections();
  sections.push_back({".setup"});
  Bytes no_raw = MakeTestPe(sections);
  StoreLe32(&no_raw[TestPeEntry(4) + 20], 0);
  EXPECT_EQ(CodeOf(no_raw), 9);
}

TEST(PeLocate, EveryPrefixOfAnImageFailsCleanly) {
  auto sections = FourSections();
  sections.push_back({".setup"});
  const Bytes pe = MakeTestPe(sections);
  const std::size_t table_end = TestPeEntry(5);
  for (std::size_t n = 0; n <= table_end; ++n) {
    // Exact-size copies so the sanitizers see any read past the end.
    Bytes prefix(pe.begin(), pe.begin() + n);
    if (n < table_end) {
      EXPECT_NE(CodeOf(prefix), 0) << n;
    } else {
      EXPECT_EQ(LocateSection(prefix).entry_offset, TestPeEntry(4));
    }
  }
}

TEST(PeCertificateTable, IsFoundThroughTheSecurityDirectoryOfAPe32Header) {
  const Bytes unsigned_pe = MakeTestPe(FourSections());
  Bytes signed_pe = unsigned_pe;
  signed_pe.push_back(0xAB);  // the table is aligned to 8 after zero padding
  const std::uint32_t offset = testing::AppendCertificateTable(signed_pe, 100);
  EXPECT_EQ(offset % 8, 0u);
  EXPECT_EQ(offset, (unsigned_pe.size() + 1 + 7) / 8 * 8);
  const std::uint32_t h = testing::kTestPeOffset;

  struct Case {
    const char* name;
    std::size_t at;     // offset from H of a field to change (0: none)
    std::uint32_t value;
    std::size_t width;
    std::uint64_t file_size;
    FileRange expected;
  } cases[] = {
      {"signed", 0, 0, 0, signed_pe.size(), {offset, 100}},
      {"table reaching past the end", 0, 0, 0, signed_pe.size() - 1, {}},
      {"zero size", 156, 0, 4, signed_pe.size(), {}},
      {"zero offset", 152, 0, 4, signed_pe.size(), {}},
      {"four data directories", 116, 4, 4, signed_pe.size(), {}},
      {"optional header too short for the directory", 20, 135, 2, signed_pe.size(), {}},
      {"optional header just long enough", 20, 136, 2, signed_pe.size(), {offset, 100}},
      {"PE32+ header", 24, 0x20B, 2, signed_pe.size(), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = signed_pe;
    if (c.width == 4) StoreLe32(&file[h + c.at], c.value);
    if (c.width == 2) StoreLe16(&file[h + c.at], static_cast<std::uint16_t>(c.value));
    EXPECT_EQ(FindCertificateTable(file, h, c.file_size), c.expected);
  }
  EXPECT_EQ(FindCertificateTable(unsigned_pe, h, unsigned_pe.size()), FileRange{});
  EXPECT_EQ(SecurityDirectoryEntry(unsigned_pe, h), h + 152u);
  // Headers cut short before the directory: nothing is read beyond them.
  EXPECT_EQ(SecurityDirectoryEntry(std::span(signed_pe).first(h + 159), h), 0u);
  EXPECT_EQ(FindCertificateTable(std::span(signed_pe).first(h + 159), h, signed_pe.size()), FileRange{});
}

}  // namespace
}  // namespace mv
