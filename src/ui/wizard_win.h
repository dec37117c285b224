// The wizard's page sequence of an installation, from the language to the Start-menu folder, with
// the folder page's acceptance rules. Every function returns false when the person cancelled; the
// caller then ends the run as cancelled.
#pragma once

#include <cstdint>
#include <string>

namespace mv {

// The run's language: the language page when the package holds more than one language and the run
// is not automatic, else the default language ("English" when present, else the first).
bool ChooseLanguage();

// The greeting and password pages, each where the package and the run's mode ask for it.
bool RunWizardPages();

// Installs the licence and readme pages, the folder page (repeated until a folder is accepted) and
// the Start-menu page as the pages the installation's preparation shows.
void InstallPreparationPages();

// The folder page's checks on the folder in the InstallContext; true when it was accepted (it is
// then stored trimmed and, when it was missing, has been created).
bool AcceptFolder();

// The free space of `drive` ("C:").
std::int64_t FreeSpaceOn(const std::u16string& drive);

}  // namespace mv
