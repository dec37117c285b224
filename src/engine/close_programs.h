// The rules of closing running programs before files are replaced or removed: which close entry
// applies to a top-level window, and in which phase.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "records/uninstall_file.h"

namespace mv {

// The phases: programs that are closed without asking, and programs the user is asked to close.
inline constexpr std::uint32_t kClosePhaseAutomatic = 2;
inline constexpr std::uint32_t kClosePhaseAsk = 4;

// The actions of an entry.
inline constexpr std::uint32_t kCloseActionClose = 0;      // post WM_CLOSE
inline constexpr std::uint32_t kCloseActionQuit = 1;       // post WM_QUIT
inline constexpr std::uint32_t kCloseActionAsk = 2;        // ask the user to close it
inline constexpr std::uint32_t kCloseActionTerminate = 3;  // end the process

// The phase an entry belongs to: asking happens in its own phase, every other action in the first.
std::uint32_t ClosePhaseMask(std::uint32_t action);

// Whether a window-class or window-title pattern matches: an empty pattern matches everything, a
// pattern that begins with "*" matches when the rest occurs anywhere in the text, any other pattern
// only the same text (case-sensitive).
bool MatchesWindowPattern(std::u16string_view pattern, std::u16string_view text);

// The index of the first entry of `phase` whose patterns both match the window; an entry with both
// patterns empty matches nothing. Windows of the own process are never closed.
std::optional<std::size_t> FindCloseEntry(const std::vector<AutoCloseEntry>& entries, std::uint32_t phase,
                                          std::u16string_view window_class, std::u16string_view window_title,
                                          bool own_process);

}  // namespace mv

namespace mv {

// The entries of the package's close list that apply at installation.
std::vector<AutoCloseEntry> InstallAutoClose(const std::vector<CloseProgramRecord>& records);

}  // namespace mv
