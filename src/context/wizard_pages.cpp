#include "context/wizard_pages.h"

#include <utility>

namespace mv {

namespace {

std::unique_ptr<WizardPages>& Installed() {
  static std::unique_ptr<WizardPages> pages;
  return pages;
}

}  // namespace

std::unique_ptr<WizardPages> SetWizardPages(std::unique_ptr<WizardPages> pages) {
  return std::exchange(Installed(), std::move(pages));
}

bool ShowLicenseAndReadmePages() { return !Installed() || Installed()->ShowLicenseAndReadme(); }
bool ChooseInstallFolder() { return !Installed() || Installed()->ChooseFolder(); }
bool ChooseStartMenuFolder() { return !Installed() || Installed()->ChooseStartMenuFolder(); }

}  // namespace mv
