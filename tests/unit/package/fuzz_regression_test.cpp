// Faults the fuzz targets (tests/fuzz) found, each pinned at the smallest input that shows it.
#include <gtest/gtest.h>

#include <stdexcept>

#include "package/data_block.h"
#include "package/package_builder.h"
#include "package_test_support.h"

namespace mv {
namespace {

// fuzz_package: a package with its file data after the section but no file data at all. The
// builder padded the section as if there were no external data, and the reader then took the
// padding for the file data: the installer failed its own size check (code 46).
TEST(FuzzRegression, BuilderRefusesEmptyExternalFileData) {
  const Bytes runtime = testing::MakeTestPe(testing::FourSections());
  const Bytes settings_stream = {0x01, 0x02, 0x03};
  PackageBuildOptions options;
  options.external_data = true;
  EXPECT_THROW(BuildInstaller(runtime, PackageHeader{}, settings_stream, {}, options), std::invalid_argument);

  // Inside the section, no file data is a valid package: an empty block at DataEnd.
  options.external_data = false;
  const BuiltInstaller built = BuildInstaller(runtime, PackageHeader{}, settings_stream, {}, options);
  const std::span<const std::uint8_t> section(built.file.data() + built.section.raw_offset, built.section.raw_size);
  const auto block = InSectionDataBlock(section, built.header);
  EXPECT_TRUE(block.empty());
  EXPECT_NO_THROW(CheckDataBlockSize(block.size(), built.header));
}

}  // namespace
}  // namespace mv
