#include "lib/file_rules.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(FileRules, SystemErrorsMapToResultCodes) {
  OpenFailureFacts plain, folder, no_drive, read_only_write, bad_name;
  folder.path_is_folder = true;
  no_drive.drive_missing = true;
  read_only_write.file_read_only = read_only_write.write_requested = true;
  bad_name.valid_name = false;
  struct Case {
    std::uint32_t error;
    OpenFailureFacts facts;
    int code;
  } cases[] = {
      {2, plain, 3}, {2, bad_name, 2},
      {3, plain, 4}, {3, folder, 23}, {3, no_drive, 21},
      {4, plain, 8},
      {5, plain, 12}, {5, folder, 23}, {5, read_only_write, 13},
      {15, plain, 21}, {21, plain, 20}, {32, plain, 5}, {33, plain, 5},
      {51, plain, 19}, {53, plain, 19}, {64, plain, 19}, {65, plain, 19}, {67, plain, 19}, {1222, plain, 19},
      {80, plain, 10}, {87, plain, 9}, {123, plain, 2}, {1117, plain, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(MapOpenError(c.error, c.facts), c.code) << c.error;
  // Read-only matters only when writing was asked for.
  OpenFailureFacts read_only_read;
  read_only_read.file_read_only = true;
  EXPECT_EQ(MapOpenError(5, read_only_read), 12);
}

TEST(FileRules, ResultTexts) {
  EXPECT_STREQ(ResultText(0), "Success.");
  EXPECT_STREQ(ResultText(23), "The filepath points to a folder, not a file.");
  EXPECT_STREQ(ResultText(1), "An unknown error occurred.");
  EXPECT_STREQ(ResultText(29), "An unknown error occurred.");
  EXPECT_STREQ(ResultText(-4), "An unknown error occurred.");
}

TEST(FileRules, OpenFlagsDecodeIntoAccessSharingAndPlacement) {
  using namespace open_flags;
  struct Case {
    std::uint32_t flags;
    bool read, write, share_read, share_write;
    Creation creation;
    Placement placement;
  } cases[] = {
      {0, true, true, false, false, Creation::kOpenOrCreate, Placement::kAsGiven},
      {1 | kNoWrite | kShareRead, true, false, true, true, Creation::kOpenExisting, Placement::kAsGiven},
      {kNoRead | kShareWrite, false, true, true, true, Creation::kOpenOrCreate, Placement::kAsGiven},
      {kShareRead, true, true, true, false, Creation::kOpenOrCreate, Placement::kAsGiven},
      {2, true, true, false, false, Creation::kCreateNew, Placement::kAsGiven},
      {1u << 29, true, true, false, false, Creation::kCreateOrTruncate, Placement::kTempInTempFolder},
      {1 | 2u << 29, true, true, false, false, Creation::kCreateOrTruncate, Placement::kTempInGivenFolder},
      {1 | 3u << 29, true, true, false, false, Creation::kOpenExisting, Placement::kNameInTempFolder},
      {4u << 29, true, true, false, false, Creation::kCreateOrTruncate, Placement::kTempBesidePath},
      {2 | 5u << 29, true, true, false, false, Creation::kCreateNew, Placement::kTempWithExtension},
      {6u << 29, true, true, false, false, Creation::kOpenOrCreate, Placement::kAsGiven},
      {7u << 29, true, true, false, false, Creation::kOpenOrCreate, Placement::kAsGiven},
  };
  for (const auto& c : cases) {
    OpenRequest r = DecodeOpenFlags(c.flags);
    EXPECT_EQ(r.read, c.read) << std::hex << c.flags;
    EXPECT_EQ(r.write, c.write) << std::hex << c.flags;
    EXPECT_EQ(r.share_read, c.share_read) << std::hex << c.flags;
    EXPECT_EQ(r.share_write, c.share_write) << std::hex << c.flags;
    EXPECT_EQ(r.creation, c.creation) << std::hex << c.flags;
    EXPECT_EQ(r.placement, c.placement) << std::hex << c.flags;
  }
}

TEST(FileRules, PathNameValidity) {
  for (const char16_t* ok : {u"C:\\Program Files\\App\\a.txt", u"relative\\b", u"\\\\server\\share\\c", u"\\\\?\\C:\\d",
                             u"Z:/unix/style"})
    EXPECT_TRUE(IsValidPathName(ok)) << std::u16string(ok).size();
  for (const char16_t* bad : {u"", u" C:\\a", u"C:\\a ", u"C:\\a\t", u"C:\\a\n", u"C:\\a|b", u"C:\\a?", u"C:\\a*",
                              u"C:\\a\"b", u"C:\\a<b>", u"C:\\a:b", u"1:\\x"})
    EXPECT_FALSE(IsValidPathName(bad)) << std::u16string(bad).size();
}

}  // namespace
}  // namespace mv
