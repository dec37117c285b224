// The Uninstall.dat reader. Input: the file's bytes. A file that reads is written again and must
// read back as the same records, and the writer must give the same bytes for them a second time.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "records/uninstall_file.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const UninstallFileResult first = ReadUninstallFile(bytes);
  if (!first.ok) {
    MV_FUZZ_CHECK(!first.error.empty());
    return 0;
  }
  MV_FUZZ_CHECK(first.error.empty());
  for (const NumberedText& t : first.file.strings) MV_FUZZ_CHECK(t.number >= 1 && t.number <= kMaxUninstallTextNumber);
  for (const std::string& entry : first.file.entries) MV_FUZZ_CHECK(!IsUninstallSectionHeader(entry));

  const std::string composed = ComposeUninstallFile(first.file);
  const UninstallFileResult second = ReadUninstallFile(composed);
  MV_FUZZ_CHECK(second.ok);
  MV_FUZZ_CHECK(second.file == first.file);
  MV_FUZZ_CHECK(ComposeUninstallFile(second.file) == composed);
  return 0;
}
