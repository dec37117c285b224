// The runtime's entry point: prepares the process, reads the command line and runs the uninstall
// or the install road. Every path ends in ExitInstaller.
#include <windows.h>

#include "app/exit_win.h"
#include "context/install_context_win.h"
#include "app/process_win.h"
#include "app/startup_win.h"
#include "app/command_line.h"
#include "lib/wide_win.h"
#include "ui/message_box_win.h"
#include "ui/wizard_pages_win.h"
#include "uninstall/self_removal_win.h"
#include "uninstall/uninstall_run.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  mv::InstallFatalPath();
  mv::HardenProcess();
  mv::PrepareProcess(instance);
  mv::InstallMessageBoxes();
  mv::InstallWizard([] { mv::CancelInstaller(mv::kExitCancelled); });
  mv::InstallContext& c = mv::Context();

  auto* command_line = reinterpret_cast<const char16_t*>(GetCommandLineW());
  mv::ParsedCommandLine parsed =
      mv::ParseCommandLine(command_line, [](std::u16string_view text) { return mv::ToCodePage(CP_ACP, text); });
  c.options = parsed.options;
  if (parsed.usage_error) mv::ShowUsage(*parsed.usage_error);

  if (c.options.UninstallMode) {
    const int code = mv::RunUninstall(c.options.UninstallProductName);
    if (code == mv::kExitSuccess) {
      // The uninstall notification belongs here, before the self-removal: the product's "NotifyURL"
      // address (the run keeps it in settings.NotifyURL) sent with report flag 0 through the
      // network client's NotifyUrl. That client is not built yet, so nothing is sent.
      mv::RemoveUninstaller();
    }
    mv::ExitInstaller(code);
  }
  mv::RunInstallMode();
}
