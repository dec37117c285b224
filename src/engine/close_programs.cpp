#include "engine/close_programs.h"

namespace mv {

std::uint32_t ClosePhaseMask(std::uint32_t action) {
  return action == kCloseActionAsk ? kClosePhaseAsk : kClosePhaseAutomatic;
}

bool MatchesWindowPattern(std::u16string_view pattern, std::u16string_view text) {
  if (pattern.empty()) return true;
  if (pattern.front() == u'*') return text.find(pattern.substr(1)) != std::u16string_view::npos;
  return pattern == text;
}

std::optional<std::size_t> FindCloseEntry(const std::vector<AutoCloseEntry>& entries, std::uint32_t phase,
                                          std::u16string_view window_class, std::u16string_view window_title,
                                          bool own_process) {
  if (own_process) return std::nullopt;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const AutoCloseEntry& e = entries[i];
    if ((ClosePhaseMask(e.action) & phase) == 0) continue;
    if (e.window_class.empty() && e.window_title.empty()) continue;
    if (MatchesWindowPattern(e.window_class, window_class) && MatchesWindowPattern(e.window_title, window_title)) {
      return i;
    }
  }
  return std::nullopt;
}

}  // namespace mv

namespace mv {

std::vector<AutoCloseEntry> InstallAutoClose(const std::vector<CloseProgramRecord>& records) {
  std::vector<AutoCloseEntry> out;
  for (const CloseProgramRecord& r : records)
    if (r.flags & kCloseAtInstall) out.push_back({r.window_class, r.window_title, r.program_name, r.action});
  return out;
}

}  // namespace mv
