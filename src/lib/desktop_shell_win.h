// Opening a document through the desktop shell of the logged-on user, so that an elevated installer
// opens it with the user's rights rather than its own.
#pragma once

#include <string>

namespace mv {

// Asks the desktop's shell dispatch object to open `file` with `verb`. False when there is no
// desktop shell to ask or it refuses (the caller then opens the file itself).
bool OpenThroughDesktopShell(const std::u16string& file, const std::u16string& verb = u"open");

}  // namespace mv
