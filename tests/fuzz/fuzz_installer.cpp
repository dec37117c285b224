// A whole installer file as it arrives: mvpack verify (the runtime's open sequence and every
// integrity check) and mvpack inspect. Input: the installer file's bytes.
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "inspect.h"
#include "package/corrupt.h"
#include "verify.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  const mvpack::Verdict verdict = mvpack::VerifyInstaller(file);
  MV_FUZZ_CHECK(verdict.kind != mvpack::Verdict::kCorrupt || verdict.code > 0);

  try {
    const nlohmann::json project = mvpack::InspectInstaller(file);
    (void)project.dump();
  } catch (const CorruptPackage&) {
  } catch (const FatalPackageError&) {
  }
  return 0;
}
