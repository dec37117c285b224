// The record walk over a decoded file-data stream, and where mvpack extract would put each record.
//
// Input: a 16-bit count N, N signed 32-bit entries of the file size table, then the stream.
// Invariants: the walk ends in a CorruptPackage with a record code or after exactly N records;
// every record's bytes lie inside the stream, records follow each other without gaps; a target
// extract accepts stays below its base folder.
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "extract.h"
#include "fuzz_support.h"
#include "package/corrupt.h"
#include "package/file_walk.h"

using namespace mv;

namespace {

bool StaysBelowItsBase(const std::string& path) {
  bool base_ok = false;
  for (const char* base : {"install/", "shared/", "system/", "fonts/", "uninstall/"})
    base_ok |= path.rfind(base, 0) == 0;
  if (!base_ok || path.find('\\') != std::string::npos || path.find('\0') != std::string::npos) return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find('/', start);
    const std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Front in({data, size});
  const std::uint16_t count = in.U16();
  std::vector<std::int32_t> table;
  for (std::uint16_t i = 0; i < count && in.Rest().size() >= 4; ++i) table.push_back(static_cast<std::int32_t>(in.U32()));
  const std::span<const std::uint8_t> stream = in.Rest();

  FileRecordWalker walker(
      [stream](std::uint64_t offset, std::span<std::uint8_t> out) {
        if (offset > stream.size() || out.size() > stream.size() - offset) return false;
        if (!out.empty()) std::memcpy(out.data(), stream.data() + offset, out.size());
        return true;
      },
      stream.size(), table);
  std::uint32_t walked = 0;
  try {
    std::uint64_t end = 0;
    while (auto r = walker.Next()) {
      MV_FUZZ_CHECK(r->index == walked);
      MV_FUZZ_CHECK(r->data_offset > end && r->data_offset + r->record.data_size <= stream.size());
      MV_FUZZ_CHECK(r->record.data_size == static_cast<std::uint32_t>(table[walked]));
      MV_FUZZ_CHECK(!r->record.name.empty());
      end = r->data_offset + r->record.data_size;
      MV_FUZZ_CHECK(walker.position() == end);
      const mvpack::ExtractTarget target = mvpack::ExtractTargetOf(r->record);
      MV_FUZZ_CHECK(target.refusal.empty() != target.path.empty());
      if (!target.path.empty() && !StaysBelowItsBase(target.path)) {
        std::fprintf(stderr, "target %s\n", target.path.c_str());
        MV_FUZZ_CHECK(false);
      }
      (void)mvpack::ListLine(r->record);
      ++walked;
    }
    MV_FUZZ_CHECK(walked == table.size());
  } catch (const CorruptPackage& e) {
    const int c = e.code();
    MV_FUZZ_CHECK(c == 101 || c == 70 || c == 71 || c == 72 || c == 73 || c == 110);
  }
  return 0;
}
