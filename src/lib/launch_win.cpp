#include "lib/launch_win.h"

#include <vector>

#include "lib/handle_win.h"
#include "lib/wide_win.h"

namespace mv {

void PumpWindowMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void PumpWindowMessagesEvery(std::uint32_t interval_ms) {
  static ULONGLONG last = 0;
  const ULONGLONG now = GetTickCount64();
  if (now - last < interval_ms) return;
  last = now;
  PumpWindowMessages();
}

namespace {

// Starts `command_line` in `folder`; the process and thread handles are returned in `info`.
bool StartProcess(const std::u16string& command_line, const std::u16string& folder, bool hidden,
                  PROCESS_INFORMATION& info) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (hidden) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  // CreateProcessW may write into the command line: give it its own copy.
  std::vector<wchar_t> line(command_line.begin(), command_line.end());
  line.push_back(L'\0');
  return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        folder.empty() ? nullptr : W(folder), &startup, &info);
}

}  // namespace

LaunchResult StartProgram(const std::u16string& command_line) {
  PROCESS_INFORMATION info{};
  LaunchResult result;
  if (!StartProcess(command_line, u"", false, info)) {
    result.error = GetLastError();
    return result;
  }
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  result.started = true;
  return result;
}

LaunchResult RunAndWait(const std::u16string& command_line, const std::u16string& folder, bool hidden) {
  PROCESS_INFORMATION info{};
  LaunchResult result;
  if (!StartProcess(command_line, folder, hidden, info)) {
    result.error = GetLastError();
    return result;
  }
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  result.started = true;
  for (;;) {
    const DWORD wait = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, 75, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) break;
    PumpWindowMessages();
  }
  GetExitCodeProcess(process.get(), &result.exit_code);
  return result;
}

}  // namespace mv
