// The lists reader: deletions, associations, shortcuts, registry values, programs to close,
// languages and the end word. What it reads must be writable and read back the same.
// Input: the part of the decoded settings stream after the settings.
#include <cstdint>
#include <span>
#include <stdexcept>

#include "fuzz_support.h"
#include "package/corrupt.h"
#include "package/lists.h"
#include "package/reader.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PackageReader reader({data, size});
  Lists lists;
  try {
    lists = ReadLists(reader);
  } catch (const CorruptPackage& e) {
    const int c = e.code();
    MV_FUZZ_CHECK(c == 30 || c == 31 || c == 32 || c == 36 || c == 37 || c == 38 || c == 41 || c == 48);
    return 0;
  }
  MV_FUZZ_CHECK(!reader.failed());
  MV_FUZZ_CHECK(!lists.Languages.empty());
  for (const Language& language : lists.Languages) {
    MV_FUZZ_CHECK(language.texts.size() == lists.Languages.front().texts.size());
  }

  Bytes written;
  try {
    written = WriteLists(lists);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "read lists cannot be written: %s\n", e.what());
    MV_FUZZ_CHECK(false);
  }
  PackageReader again(written);
  const Lists reread = ReadLists(again);
  MV_FUZZ_CHECK(again.remaining() == 0);
  MV_FUZZ_CHECK(reread == lists);
  return 0;
}
