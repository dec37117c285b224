// The settings stream reader, and the lists reader after it as the runtime reads them. Besides
// surviving any bytes, what the settings reader reads must be writable and read back the same:
// mvpack inspect and build rely on that round trip (fuzz_lists checks it for the lists).
//
// Input: ProductFlags2 (4 bytes, little-endian), a byte whose bit 0 selects silent mode, the
// decoded settings stream.
#include <cstdint>
#include <span>
#include <stdexcept>

#include "fuzz_support.h"
#include "package/corrupt.h"
#include "package/lists.h"
#include "package/reader.h"
#include "package/settings.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Front in({data, size});
  const std::uint32_t flags2 = in.U32();
  const bool silent = (in.U8() & 1) != 0;
  const std::span<const std::uint8_t> stream = in.Rest();

  PackageReader reader(stream);
  int callbacks = 0;
  Settings settings;
  try {
    settings = ReadSettings(reader, flags2, silent, [&](const Settings&) { ++callbacks; });
  } catch (const CorruptPackage& e) {
    MV_FUZZ_CHECK(e.code() == 19 || e.code() == 24 || e.code() == 26 || e.code() == 39);
    MV_FUZZ_CHECK(callbacks == 1);  // every range check comes after the early fields
    return 0;
  }
  MV_FUZZ_CHECK(callbacks == 1);
  MV_FUZZ_CHECK(reader.position() <= stream.size());
  MV_FUZZ_CHECK(!reader.failed() || reader.remaining() == 0);
  const std::size_t settings_end = reader.position();
  const bool settings_complete = !reader.failed();
  try {
    ReadLists(reader);
    MV_FUZZ_CHECK(!reader.failed());
  } catch (const CorruptPackage&) {
    // fuzz_lists checks the codes
  }

  // Whatever was read can be written, and the written stream reads back to the same bytes.
  Bytes written;
  try {
    written = WriteSettings(settings, flags2);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "read settings cannot be written: %s\n", e.what());
    MV_FUZZ_CHECK(false);
  }
  if (settings_complete) MV_FUZZ_CHECK(written.size() <= settings_end);  // the shortest forms
  PackageReader again(written);
  const Settings reread = ReadSettings(again, flags2, false);
  MV_FUZZ_CHECK(!again.failed() && again.remaining() == 0);
  MV_FUZZ_CHECK(WriteSettings(reread, flags2) == written);
  return 0;
}
