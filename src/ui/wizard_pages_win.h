// The wizard's pages. Each shows its dialog over the background window in the style its setting
// selects and returns true for the forward button; the choices go into the InstallContext when a
// page closes forward. A page whose template cannot be created counts as cancelled.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "context/progress.h"
#include "ui/wizard_rules.h"

namespace mv {

// The language list: pre-selects the user's language; a change switches the run's language at once.
bool ShowLanguagePage();
// The greeting: a message box in style 0, else its dialog with the optional web link.
bool ShowGreetingPage();
// The password: the page stays until the package's password is typed exactly or it is cancelled.
bool ShowPasswordPage();
enum class TextKind { kLicense, kReadme };
bool ShowTextPage(TextKind kind, const PageText& text);
// One showing of the folder page: the edit's text becomes the installation folder (the acceptance
// rules are the caller's). In a silent run: true at once.
bool ShowFolderPage();
// The Start-menu folder. In a silent run: true at once.
bool ShowStartMenuPage();
// The summary with its check boxes (the log's only when `offer_view_log`), after the progress
// dialog is closed; the states go into the InstallContext, and the result is the log box's state.
// Nothing in a silent run.
bool RunSummaryPage(bool offer_view_log);
// Installs the progress dialog as the engine's progress sink and the summary page as the completion
// step's; `cancel` runs when the person confirms cancelling on the progress dialog (it ends the run).
void InstallWizard(std::function<void()> cancel);

}  // namespace mv
