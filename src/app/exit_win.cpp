#include "app/exit_win.h"

#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "app/command_line.h"
#include "base/format.h"
#include "base/text.h"
#include "context/install_context_win.h"
#include "lib/launch_win.h"
#include "lib/wide_win.h"
#include "context/prompt.h"
#include "records/install_log_win.h"
#include "ui/message_box_win.h"

namespace mv {

namespace {

std::atomic<bool> g_fatal_in_progress{false};

void RunExitSteps(int code) {
  InstallContext& c = Context();
  if (c.progress_window) {
    DestroyWindow(c.progress_window);
    c.progress_window = nullptr;
  }
  if (c.background_window) {
    ShowWindow(c.background_window, SW_MINIMIZE);
    DestroyWindow(c.background_window);
    c.background_window = nullptr;
  }
  PumpWindowMessages();
  // A working log that no Install.log took up (the run ended early) is not left behind.
  DiscardWorkingLog();
  // The extraction file, the notification worker and this run's firewall exception are closed here
  // once the file extraction and the network client exist.
  if (c.ole_initialized) {
    OleUninitialize();
    c.ole_initialized = false;
  }
}

// The installed fatal path: a fatal error raised while one is being reported only ends the process.
void ReportFatal(const std::u16string& message) {
  if (g_fatal_in_progress.exchange(true)) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(kExitFatal));
  if (!Context().options.SilentMode) ShowMessage(message, ErrorCaption(), MB_OK | MB_ICONERROR);
  ExitInstaller(kExitFatal);
}

}  // namespace

void ExitInstaller(int code) {
  try {
    RunExitSteps(code);
  } catch (...) {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
  }
  ExitProcess(static_cast<UINT>(code));
}

void CancelInstaller(int code) {
  // The cancellation notification is sent here once the network client exists.
  InstallContext& c = Context();
  if (!c.options.AutomaticMode) {
    std::u16string text = LanguageText(c.options.UninstallMode ? 101 : 98);
    ShowMessage(text, LanguageText(111), MB_OK | MB_ICONEXCLAMATION);
  }
  ExitInstaller(code);
}

void AbortInstaller(int code) { ExitInstaller(code); }

void ShowUsage(const std::u16string& message) {
  const std::wstring& path = Context().exe_path;
  size_t slash = path.find_last_of(L"\\/");
  std::wstring file = slash == std::wstring::npos ? path : path.substr(slash + 1);
  ShowMessage(UsageText(message, U(file)), ErrorCaption(), MB_OK | MB_ICONERROR);
  ExitInstaller(kExitCommandLine);
}

void InstallFatalPath() { SetFatalHandler(&ReportFatal); }

void InternalFatalError(const char* module, int line) {
  std::u16string m(module, module + std::char_traits<char>::length(module));
  FatalError(FormatText(u"Internal Fatal Error\r\nModule: %s\r\nLine: %d", {m, line}));
}

void CorruptInstaller(int code, bool system_error) {
  DWORD error = GetLastError();
  std::u16string text = LanguageText(13);
  if (text.empty())
    text =
        u"This installation program is corrupt.  This is usually caused by a faulty download, but it "
        u"can also be caused by a virus on your computer.  The installation cannot proceed.\r\n\r\n"
        u"Delete the corrupted installer (to prevent caching), then re-download it.  If the problem "
        u"persists, check your system for viruses.\r\n\r\nError code: %d";
  text = FormatText(text, {code});
  if (system_error && error != 0)
    text += FormatText(u"\r\nSystem error, code %s: %s", {FormatText(u"%u", {static_cast<unsigned>(error)}),
                                                         SystemErrorText(error)});
  // During the installation actions the damage is explained in Install.log, whatever the logging
  // setting: the text goes into the working log and is the run's last failure. The failure
  // notification is sent here once the network client exists.
  if (WorkingLogOpen()) {
    LogText(text + u"\r\n");
    AddFailure(text + u"\r\n\r\n");
    WriteInstallLog(FailureSummary(), false);
  }
  if (!Context().options.SilentMode) ShowMessage(text, ErrorCaption(), MB_OK | MB_ICONERROR);
  ExitInstaller(kExitCorrupt);
}

void ReportOutOfMemory(std::size_t size) {
  FatalError(FormatText(u"Out Of Memory\r\n\r\nMake sure the hard drive is not full.\r\n\r\nRequested size: %u",
                        {static_cast<unsigned>(size)}));
}

}  // namespace mv

// Every allocation of the runtime: retried up to 100 times (the system may free memory meanwhile),
// then reported as a fatal error naming the requested size.
void* operator new(std::size_t size) {
  if (size == 0) size = 1;
  for (int attempt = 0; attempt <= 100; ++attempt) {
    if (void* p = std::malloc(size)) return p;
    Sleep(20);
  }
  mv::ReportOutOfMemory(size);
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
