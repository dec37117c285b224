// The command-line parser. Input: the full command line as UTF-16LE (an odd last byte is dropped);
// the first unit's low byte also picks the atom limit for SplitCommandLine.
#include <cstdint>
#include <string>

#include "base/codepage.h"
#include "app/command_line.h"
#include "fuzz_support.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string line(size / 2, u'\0');
  for (std::size_t i = 0; i < line.size(); ++i) line[i] = static_cast<char16_t>(LoadLe16(data + 2 * i));

  const std::size_t max_atoms = line.empty() ? 19 : (line[0] & 0x1F);
  const std::vector<std::u16string> atoms = SplitCommandLine(line, max_atoms);
  MV_FUZZ_CHECK(atoms.size() <= max_atoms);
  for (const std::u16string& atom : atoms) {
    MV_FUZZ_CHECK(!atom.empty());
    MV_FUZZ_CHECK(atom.find(u'\0') == std::u16string::npos);
    // Separators survive only inside a quoted section.
    if (atom.find_first_of(u" \t\r\n") != std::u16string::npos) MV_FUZZ_CHECK(atom.find(u'"') != std::u16string::npos);
  }

  const ParsedCommandLine parsed = ParseCommandLine(line, Utf16ToCp1252);
  const RunOptions& o = parsed.options;
  if (!parsed.usage_error) {
    MV_FUZZ_CHECK(!o.UninstallMode || !o.UninstallProductName.empty());
  } else {
    MV_FUZZ_CHECK(!parsed.usage_error->empty());
    UsageText(*parsed.usage_error, u"setup.exe");
  }
  MV_FUZZ_CHECK(!o.SilentMode || o.AutomaticMode);
  MV_FUZZ_CHECK((o.InstallDirOverride.empty()) == (o.InstallDirOverrideNarrow.empty()));
  return 0;
}
