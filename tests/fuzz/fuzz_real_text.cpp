// Real numbers read back from registry text ("TitleSize", "CopyrightSize"): whatever the text, the
// reading ends, and a number it gives is written and read again to the same double. The first eight
// bytes also stand for a double of their own, which must survive being written and read.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/real_text.h"
#include "fuzz_support.h"

using namespace mv;

namespace {

void RoundTrip(double value) {
  if (std::isnan(value)) return;
  const std::string text = RealText(value);
  const std::optional<double> back = ParseRealText(std::u16string(text.begin(), text.end()));
  MV_FUZZ_CHECK(back.has_value());
  MV_FUZZ_CHECK(std::bit_cast<std::uint64_t>(*back) == std::bit_cast<std::uint64_t>(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 8) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, data, 8);
    RoundTrip(std::bit_cast<double>(bits));
  }
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  if (const std::optional<double> value = ParseRealText(text)) RoundTrip(*value);
  return 0;
}
