// Closing the running programs that the close entries name, before files are replaced or removed.
#pragma once

#include <cstdint>
#include <vector>

#include "records/uninstall_file.h"

namespace mv {

struct CloseTexts {
  int ask_text = 99;      // "%s is running" question, formatted with the program name
  int ask_caption = 65;
};

// Applies the entries of `phase` (kClosePhaseAutomatic or kClosePhaseAsk) to every top-level window
// of another process: close, quit, ask until the window is gone (not in a silent run), or terminate.
// False as soon as the user cancels a question (the caller then cancels the run).
bool CloseRunningPrograms(const std::vector<AutoCloseEntry>& entries, std::uint32_t phase, const CloseTexts& texts);

}  // namespace mv
