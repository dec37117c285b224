// The runtime's entry point: prepares the process, reads the command line and runs the uninstall
// or the install road. Every path ends in ExitInstaller.
#include <windows.h>

#include "app/exit_win.h"
#include "context/install_context_win.h"
#include "app/process_win.h"
#include "app/startup_win.h"
#include "app/command_line.h"
#include "uninstall/uninstall_run.h"

namespace {

// The system's conversion to the ANSI code page; unconvertible characters become "?".
std::string ToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(text.size()), nullptr, 0, "?", nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(text.size()), out.data(), n, "?", nullptr);
  return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  mv::InstallFatalPath();
  mv::HardenProcess();
  mv::PrepareProcess(instance);
  mv::InstallContext& c = mv::Context();

  auto* command_line = reinterpret_cast<const char16_t*>(GetCommandLineW());
  mv::ParsedCommandLine parsed = mv::ParseCommandLine(command_line, ToAnsi);
  c.options = parsed.options;
  if (parsed.usage_error) mv::ShowUsage(*parsed.usage_error);

  if (c.options.UninstallMode) mv::ExitInstaller(mv::RunUninstall(c.options.UninstallProductName));
  mv::RunInstallMode();
}
