// The wizard pages that the installation engine shows while it prepares the run: licence and
// readme, the installation folder and the Start-menu folder. The user interface installs the pages
// at start-up; until then every call answers as an accepted page, so the engine and its tests never
// wait on a window.
#pragma once

#include <memory>

namespace mv {

class WizardPages {
 public:
  virtual ~WizardPages() = default;
  // The package's licence pages, then its readme pages; false when one was cancelled.
  virtual bool ShowLicenseAndReadme() = 0;
  // The folder page, shown again until the folder it returns passes its checks; the accepted folder
  // is the installation folder. False when cancelled.
  virtual bool ChooseFolder() = 0;
  // The Start-menu folder page; false when cancelled.
  virtual bool ChooseStartMenuFolder() = 0;
};

// Installs `pages` (an empty one restores the accepting default) and returns the one it replaces.
std::unique_ptr<WizardPages> SetWizardPages(std::unique_ptr<WizardPages> pages);

bool ShowLicenseAndReadmePages();
bool ChooseInstallFolder();
bool ChooseStartMenuFolder();

}  // namespace mv
