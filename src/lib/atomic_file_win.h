// Writing a whole file so that readers see either the old contents or the new ones, never a mix:
// the bytes go to a new file beside the target, which then replaces the target in one step.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mv {

// Writes `bytes` as the whole file at `path` (creating or replacing it, with normal attributes).
// Returns 0, or the system error of the step that failed; the new file is then removed again and
// an existing file at `path` keeps its contents. The last error is set to the result.
std::uint32_t WriteFileAtomically(const std::u16string& path, std::string_view bytes);

}  // namespace mv
