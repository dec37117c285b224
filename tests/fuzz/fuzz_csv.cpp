// The CSV reader, over 8-bit text (the first byte even) or UTF-16LE text (odd; an odd last byte is
// dropped); the first byte is not part of the text. Every record read is written again and must
// read back as the same fields, alone and with all the others.
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/csv.h"
#include "fuzz_support.h"

using namespace mv;

namespace {

template <typename Char>
void Check(std::basic_string_view<Char> text) {
  using String = std::basic_string<Char>;
  BasicCsvReader<Char> reader(text);
  std::vector<std::vector<String>> records;
  std::vector<String> fields;
  std::size_t last_line = 0;
  while (reader.Next(fields)) {
    MV_FUZZ_CHECK(!fields.empty());
    MV_FUZZ_CHECK(reader.record_line() > last_line);
    last_line = reader.record_line();
    records.push_back(fields);
  }
  MV_FUZZ_CHECK(reader.failed() == !reader.error().empty());

  String all;
  for (const std::vector<String>& record : records) {
    const String line = CsvLine(record);
    all += line;
    BasicCsvReader<Char> again(line);
    std::vector<String> read;
    MV_FUZZ_CHECK(again.Next(read));
    MV_FUZZ_CHECK(read == record);
    MV_FUZZ_CHECK(!again.Next(read) && !again.failed());
  }
  BasicCsvReader<Char> whole(all);
  for (const std::vector<String>& record : records) {
    MV_FUZZ_CHECK(whole.Next(fields));
    MV_FUZZ_CHECK(fields == record);
  }
  MV_FUZZ_CHECK(!whole.Next(fields) && !whole.failed());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool wide = data[0] & 1;
  ++data;
  --size;
  if (!wide) {
    Check(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
  }
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(LoadLe16(data + 2 * i));
  Check(std::u16string_view(text));
  return 0;
}
