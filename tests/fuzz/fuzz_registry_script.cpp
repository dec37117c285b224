// The registry script as the package carries it: UTF-16LE bytes (an odd last byte is dropped),
// planned record by record. Every action is one of the known steps with the data its type demands,
// and the plan never holds more actions than the script has line ends plus one.
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "engine/registry_script.h"
#include "fuzz_support.h"
#include "records/uninstall_file.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string script = UninstallRegistryScript(Bytes(data, data + size), u"");
  // Type 1 text grows through the expansion; the plan must carry what it returns.
  const auto expand = [](std::u16string_view text) { return std::u16string(text) + u"!"; };
  const std::vector<RegistryAction> plan = PlanRegistryScript(script, expand);

  std::size_t line_ends = 0;
  for (std::size_t i = 0; i < script.size(); ++i)
    if (script[i] == u'\n' || (script[i] == u'\r' && (i + 1 == script.size() || script[i + 1] != u'\n'))) ++line_ends;
  MV_FUZZ_CHECK(plan.size() <= line_ends + 1);

  for (const RegistryAction& a : plan) {
    switch (a.step) {
      case RegistryStep::kNone: break;
      case RegistryStep::kCreateKey: MV_FUZZ_CHECK(!a.key.empty()); break;
      case RegistryStep::kDeleteValue: break;
      case RegistryStep::kIllegal: break;
      case RegistryStep::kSetValue:
        switch (a.type) {
          case 1:
          case 2:
            MV_FUZZ_CHECK(a.data.size() >= 2 && a.data.size() % 2 == 0);
            MV_FUZZ_CHECK(a.data[a.data.size() - 1] == 0 && a.data[a.data.size() - 2] == 0);
            if (a.type == 1) MV_FUZZ_CHECK(a.data[a.data.size() - 4] == '!' && a.data[a.data.size() - 3] == 0);
            break;
          case 3: break;
          case 4: MV_FUZZ_CHECK(a.data.size() == 4); break;
          case 11: MV_FUZZ_CHECK(a.data.size() == 8); break;
          default: MV_FUZZ_CHECK(a.type <= 10 && a.data.empty()); break;
        }
        break;
    }
  }
  return 0;
}
