// mvpack faults the fuzz targets (tests/fuzz) found, each pinned at the smallest input that shows it.
#include <gtest/gtest.h>

#include <string>

#include "inspect.h"
#include "package/data_block.h"
#include "package/file_record.h"
#include "package/lists.h"
#include "package/package_builder.h"
#include "package/settings.h"
#include "package_test_support.h"
#include "verify.h"

namespace mvpack {
namespace {

// fuzz_installer: 8-bit texts that are not UTF-8 went into inspect's JSON as they were, and
// printing it threw (nlohmann type_error 316), so mvpack inspect ended on an uncaught exception.
// The header's version text is 8-bit and needs only to compare equal to "50.0" ("50\xAE" "0"
// does); a record's name after "|" and its version are meant to be UTF-8 but are the package's to say.
TEST(MvpackFuzzRegression, InspectPrintsTextsThatAreNotUtf8) {
  struct Case {
    const char* what;
    std::string header_version;
    std::string record_name;
    std::string record_version;
  } cases[] = {
      {"header version", "50\xAE" "0", "a.txt", ""},
      {"record name", "50.0", "|b\xFF.txt", ""},
      {"record version", "50.0", "c.txt", "1.\xC3"},
  };
  const mv::Bytes runtime = mv::testing::MakeTestPe(mv::testing::FourSections());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    mv::Lists lists;
    lists.Languages.push_back({u"English", {u""}});
    mv::Bytes stream = mv::WriteSettings(mv::Settings{}, 0);
    const mv::Bytes list_bytes = mv::WriteLists(lists);
    stream.insert(stream.end(), list_bytes.begin(), list_bytes.end());

    mv::FileRecord record;
    record.name = c.record_name;
    record.version = c.record_version;
    record.data_size = 2;
    mv::Bytes records = mv::SerializeFileRecordHead(record);
    records.insert(records.end(), {'h', 'i'});
    mv::DataBlockWriterOptions chunks;
    chunks.compress = false;

    mv::PackageHeader header;
    header.version = c.header_version;
    header.file_sizes = {2};
    const mv::BuiltInstaller built =
        mv::BuildInstaller(runtime, header, stream, mv::EncodeDataBlock(records, chunks));
    ASSERT_EQ(VerifyInstaller(built.file).kind, Verdict::kSound) << VerifyInstaller(built.file).message;
    EXPECT_NO_THROW((void)InspectInstaller(built.file).dump());
  }
}

}  // namespace
}  // namespace mvpack
