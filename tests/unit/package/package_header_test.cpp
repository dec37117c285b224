#include "package/header.h"

#include <gtest/gtest.h>

#include "package/corrupt.h"

namespace mv {
namespace {

PackageHeader SampleHeader(bool with_key) {
  PackageHeader h;
  h.product_flags2 = 0x20 | (with_key ? kFlags2Blowfish : 0);
  h.settings_size = 1234;
  h.settings_crc = 0x11223344;
  h.file_crc = 0x55667788;
  h.data_end = 5000;
  h.data_size = 3000;
  h.data_crc = 0x99AABBCC;
  h.file_sizes = {0, 17, kMaxFileSize};
  if (with_key) {
    h.blowfish_key.emplace();
    for (std::size_t i = 0; i < kBlowfishKeySize; ++i) (*h.blowfish_key)[i] = static_cast<std::uint8_t>(i * 3);
  }
  return h;
}

int CodeOf(std::span<const std::uint8_t> bytes) {
  try {
    ParseHeader(bytes);
  } catch (const CorruptPackage& e) {
    return e.code();
  }
  return 0;
}

TEST(HeaderFormat, RoundTripsAndLaysOutTheFieldsInOrder) {
  for (bool with_key : {false, true}) {
    const PackageHeader h = SampleHeader(with_key);
    const Bytes bytes = SerializeHeader(h);
    EXPECT_EQ(bytes.size(), 41 + 4 * 3 + (with_key ? 56u : 0u));
    EXPECT_EQ(LoadLe32(&bytes[0]), kPackageMagic);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[4]), 5), std::string("50.0\0", 5));
    EXPECT_EQ(LoadLe32(&bytes[13]), 1234u);
    EXPECT_EQ(LoadLe32(&bytes[21]), 0x55667788u);
    EXPECT_EQ(LoadLe32(&bytes[37]), 0x99AABBCCu);
    EXPECT_EQ(LoadLe32(&bytes[49]), static_cast<std::uint32_t>(kMaxFileSize));

    Bytes section = bytes;
    section.resize(section.size() + 1234, 0xEE);  // the settings block follows
    const PackageHeader back = ParseHeader(section);
    EXPECT_EQ(back.header_length, bytes.size());
    EXPECT_EQ(back.SettingsEnd(), bytes.size() + 1234);
    EXPECT_EQ(back.product_flags2, h.product_flags2);
    EXPECT_EQ(back.settings_crc, h.settings_crc);
    EXPECT_EQ(back.file_crc, h.file_crc);
    EXPECT_EQ(back.data_end, h.data_end);
    EXPECT_EQ(back.data_size, h.data_size);
    EXPECT_EQ(back.data_crc, h.data_crc);
    EXPECT_EQ(back.file_sizes, h.file_sizes);
    EXPECT_EQ(back.blowfish_key, h.blowfish_key);
  }
}

TEST(HeaderFormat, SerializeRefusesAKeyThatDisagreesWithBit12) {
  PackageHeader h = SampleHeader(true);
  h.product_flags2 &= ~kFlags2Blowfish;
  EXPECT_THROW(SerializeHeader(h), std::invalid_argument);
  h = SampleHeader(false);
  h.product_flags2 |= kFlags2Blowfish;
  EXPECT_THROW(SerializeHeader(h), std::invalid_argument);
}

TEST(HeaderChecks, EachFieldGivesItsCode) {
  struct Case {
    const char* what;
    void (*edit)(PackageHeader&);
    int code;
  } cases[] = {
      {"magic", [](PackageHeader& h) { h.magic = 0xA4F23DE4; }, 20},
      {"S 0", [](PackageHeader& h) { h.settings_size = 0; }, 22},
      {"S negative", [](PackageHeader& h) { h.settings_size = -5; }, 22},
      {"S 0x3200000", [](PackageHeader& h) { h.settings_size = 0x3200000; }, 22},
      {"S 0x31FFFFF", [](PackageHeader& h) { h.settings_size = 0x31FFFFF; }, 0},
      {"S 1", [](PackageHeader& h) { h.settings_size = 1; }, 0},
      {"DataEnd negative", [](PackageHeader& h) { h.data_end = -1; }, 45},
      {"DataSize negative", [](PackageHeader& h) { h.data_size = -1; }, 29},
      {"file size negative", [](PackageHeader& h) { h.file_sizes[1] = -1; }, 28},
      {"file size 0x73333334", [](PackageHeader& h) { h.file_sizes[2] = 0x73333334; }, 28},
      {"file size 0x73333333", [](PackageHeader& h) { h.file_sizes[0] = 0x73333333; }, 0},
      {"DataEnd, DataSize zero", [](PackageHeader& h) { h.data_end = h.data_size = 0; }, 0},
  };
  for (const auto& c : cases) {
    PackageHeader h = SampleHeader(false);
    c.edit(h);
    EXPECT_EQ(CodeOf(SerializeHeader(h)), c.code) << c.what;
  }
}

TEST(HeaderChecks, FileCountIsCheckedForSignAndAgainstTheBytesLeft) {
  Bytes bytes = SerializeHeader(SampleHeader(false));
  StoreLe32(&bytes[29], 0xFFFFFFFF);
  EXPECT_EQ(CodeOf(bytes), 27);
  // A count far beyond the section is refused before the size table is allocated.
  StoreLe32(&bytes[29], 0x7FFFFFFF);
  EXPECT_EQ(CodeOf(bytes), 28);
  StoreLe32(&bytes[29], 4);  // one entry more than the table holds
  EXPECT_EQ(CodeOf(bytes), 28);
}

TEST(HeaderVersion, ComparesAsAVersionAndMovesTheLaterFields) {
  PackageHeader h = SampleHeader(true);
  h.version = "50.00";
  const PackageHeader back = ParseHeader(SerializeHeader(h));
  EXPECT_EQ(back.version, "50.00");
  EXPECT_EQ(back.settings_size, 1234);
  EXPECT_EQ(back.file_sizes, h.file_sizes);
  EXPECT_EQ(back.blowfish_key, h.blowfish_key);
  EXPECT_EQ(back.header_length, 42u + 12u + 56u);

  for (const char* refused : {"50.1", "49.9", "50", "", "51.0"}) {
    h.version = refused;
    try {
      ParseHeader(SerializeHeader(h));
      ADD_FAILURE() << refused << " accepted";
    } catch (const FatalPackageError& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("The installer version (50.0) does not match the version of Marevault Setup (") +
                    refused + ").  Close all applications and reinstall Marevault Setup.");
    }
  }
}

TEST(HeaderChecks, AHeaderCutShortFailsWithTheCodeOfTheFieldItEndsIn) {
  const Bytes full = SerializeHeader(SampleHeader(true));
  const std::size_t sizes_end = 41 + 12;
  for (std::size_t n = 0; n < full.size(); ++n) {
    int expected = n < 9      ? 20   // magic or unterminated version
                   : n < 17   ? 22   // ProductFlags2, S
                   : n < 21   ? 25
                   : n < 25   ? 40
                   : n < 29   ? 45
                   : n < 33   ? 27
                   : n < 37   ? 29
                   : n < 41   ? 55
                   : n < sizes_end ? 28
                                   : 22;  // Blowfish key
    Bytes prefix(full.begin(), full.begin() + n);
    EXPECT_EQ(CodeOf(prefix), expected) << "cut at " << n;
  }
  EXPECT_EQ(CodeOf(full), 0);
}

}  // namespace
}  // namespace mv
