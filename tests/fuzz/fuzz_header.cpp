// The package section as it comes: header parsing, the data block's place in the section and the
// settings block decoded as stored (descrambled or deciphered with the header's key, then xz).
// Input: the section's bytes.
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "package/corrupt.h"
#include "package/data_block.h"
#include "package/header.h"
#include "package/package_builder.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> section(data, size);
  PackageHeader header;
  try {
    header = ParseHeader(section);
  } catch (const CorruptPackage& e) {
    const int c = e.code();
    MV_FUZZ_CHECK(c == 20 || c == 22 || c == 25 || c == 27 || c == 28 || c == 29 || c == 40 || c == 45 ||
                  c == 55);
    return 0;
  } catch (const FatalPackageError&) {
    return 0;  // another version
  }
  // The header has one byte form: writing what was read gives the bytes read.
  MV_FUZZ_CHECK(header.header_length <= size);
  const Bytes again = SerializeHeader(header);
  MV_FUZZ_CHECK(again.size() == header.header_length);
  MV_FUZZ_CHECK(std::equal(again.begin(), again.end(), section.begin()));

  try {
    const auto block = InSectionDataBlock(section, header);
    MV_FUZZ_CHECK(block.data() >= section.data() && block.data() + block.size() <= section.data() + size);
    CheckDataBlockSize(block.size(), header);
  } catch (const CorruptPackage& e) {
    MV_FUZZ_CHECK(e.code() == 46);
  }

  try {
    const Bytes stream = DecodeSettingsBlock(section, header);
    CheckSettingsCrc(stream, header);
  } catch (const CorruptPackage& e) {
    MV_FUZZ_CHECK(e.code() == 22 || e.code() == 47 || e.code() == 25);
  }
  return 0;
}
