#include "records/install_log_win.h"

#include <windows.h>
#include <shellapi.h>

#include "base/codepage.h"
#include "base/text.h"
#include "context/install_context_win.h"
#include "context/prompt.h"
#include "context/summary.h"
#include "lib/desktop_shell_win.h"
#include "lib/file_object_win.h"
#include "lib/file_security_win.h"
#include "lib/handle_win.h"
#include "lib/native_file_view_win.h"
#include "lib/os_info_win.h"
#include "lib/system_library_win.h"
#include "lib/wide_win.h"
#include "records/install_log.h"
#include "records/record_paths.h"

namespace mv {

namespace {

struct LogState {
  FileObject working_log;
  std::u16string failures;
};

LogState& State() {
  static LogState state;
  return state;
}

void Append(std::string_view utf8) {
  FileObject& log = State().working_log;
  if (log.is_open() && !utf8.empty()) log.Write(utf8.data(), static_cast<std::int64_t>(utf8.size()));
}

// Shows the prompt the plan asks for; true when the user asked to view the log.
bool ShowEndOfRunPrompt(const EndOfRunPlan& plan, const std::u16string& log_path) {
  switch (plan.prompt) {
    case EndOfRunPrompt::kNone:
      return false;
    case EndOfRunPrompt::kSummaryPage:
      return ShowSummaryPage(plan.summary_offers_view_log);
    case EndOfRunPrompt::kCompletionMessage:
      ShowMessage(LanguageText(42), LanguageText(43), kPromptOk | kPromptIconInformation);
      return false;
    case EndOfRunPrompt::kViewLogQuestion:
      return ShowQuestion(FormatText(LanguageText(40), {log_path}), LanguageText(41));
  }
  return false;
}

InstallLogHeader CurrentHeader() {
  const InstallContext& c = Context();
  const Settings& s = c.settings;
  InstallLogHeader h;
  h.product_name = s.DisplayName;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  h.install_date = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  h.uninstall_support = (s.ProductFlags & kFlagUninstaller) != 0;
  h.install_type = c.installation_kind;
  h.install_location = InstallDir(c);
  h.build_date = {s.BuildDate.year, s.BuildDate.month, s.BuildDate.day, 0, 0, 0};
  h.product_version = Cp1252ToUtf16(s.DisplayVersion);
  h.overwriting_version = c.existing.version;
  h.operating_system = Cp1252ToUtf16(OsText(GetOsInfo(), 0));
  return h;
}

bool WriteBytes(FileObject& file, std::string_view bytes) {
  return bytes.empty() || file.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

// Converts a log that an older installer wrote; the file is positioned anywhere afterwards.
void ConvertOldLog(FileObject& file, std::int64_t size) {
  char head[3] = {};
  if (size >= 3 && file.Seek(0) && file.Read(head, 3) && std::string_view(head, 3) == kUtf8Bom) return;
  std::string content(static_cast<std::size_t>(size), '\0');
  if (!file.Seek(0) || !file.Read(content.data(), size)) return;
  if (std::optional<std::string> converted = ConvertOldInstallLog(content)) {
    if (file.Seek(0) && WriteBytes(file, *converted)) SetEndOfFile(file.handle());
  }
}

// The working log from its beginning, in blocks of 4096 bytes.
void CopyWorkingLog(FileObject& to) {
  FileObject& log = State().working_log;
  if (!log.is_open() || !log.Seek(0)) return;
  char block[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(log.handle(), block, sizeof block, &got, nullptr) || got == 0) break;
    if (!WriteBytes(to, std::string_view(block, got))) break;
  }
}

// Adds this run's block to the log at `path`; false when the file could not be opened.
bool AppendInstallLog(const std::u16string& path, const std::u16string& failures) {
  const NativeFileView native(Context().settings.Bitness == 1);
  // A read-only log could not be opened for writing; the attributes are cleared at the end anyway.
  ClearRestrictiveAttributes(path);
  FileObject file;
  if (file.Open(path, open_flags::kWidePath | open_flags::kShareRead) != kFileOk) return false;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file.handle(), &size) && size.QuadPart > 0) ConvertOldLog(file, size.QuadPart);
  file.Seek(0, FILE_END);
  const bool empty = file.Tell() == 0;
  if (WriteBytes(file, InstallLogBlockStart(empty, CurrentHeader()))) {
    CopyWorkingLog(file);
    WriteBytes(file, InstallLogBlockEnd(failures, LanguageText(43)));
  }
  file.Close();
  ClearRestrictiveAttributes(path);
  InheritFolderPermissions(path);
  return true;
}

}  // namespace

bool OpenWorkingLog() {
  FileObject& log = State().working_log;
  if (log.is_open()) return true;
  // A new file in the user's temporary folder, read back when Install.log is written.
  const std::uint32_t flags = open_flags::kWidePath | open_flags::kShareRead |
                              (1u << open_flags::kPlacementShift);
  return log.Open(std::u16string_view(), flags, FILE_ATTRIBUTE_NORMAL) == kFileOk;
}

bool WorkingLogOpen() { return State().working_log.is_open(); }

std::u16string WorkingLogPath() {
  const FileObject& log = State().working_log;
  return log.is_open() ? log.path() : std::u16string();
}

void DiscardWorkingLog() {
  FileObject& log = State().working_log;
  if (log.is_open()) log.CloseAndDelete();
}

void LogText(std::u16string_view text) { Append(Utf16ToUtf8(text)); }
void LogTextAnsi(std::string_view text) { Append(Utf16ToUtf8(Cp1252ToUtf16(text))); }
void LogFormat(std::u16string_view format, const std::vector<FormatArg>& args) { LogText(FormatText(format, args)); }
void LogFormatAnsi(std::string_view format, const std::vector<FormatArg>& args) {
  LogText(FormatText(Cp1252ToUtf16(format), args));
}
void LogConcat(std::initializer_list<std::u16string_view> texts) {
  for (std::u16string_view text : texts) LogText(text);
}
void LogConcatAnsi(std::initializer_list<std::string_view> texts) {
  for (std::string_view text : texts) LogTextAnsi(text);
}

void AddFailure(std::u16string_view text) { State().failures += text; }
void AddFailure(std::u16string_view format, const std::vector<FormatArg>& args) {
  State().failures += FormatText(format, args);
}
const std::u16string& FailureSummary() { return State().failures; }

std::u16string InstallLogPath() {
  const InstallContext& c = Context();
  return RecordFilePath(InstallDir(c), c.settings.UninstallSubdir, kInstallLogName);
}

void WriteInstallLog(const std::u16string& failures, bool final) {
  try {
    const InstallContext& c = Context();
    const std::uint64_t flags = c.settings.ProductFlags;
    const std::u16string path = InstallLogPath();
    // The failure notification (the failure address, with the problem report) is queued here once
    // the network client exists.
    EndOfRunFacts facts;
    facts.final = final;
    facts.failures = !failures.empty();
    facts.automatic = c.options.AutomaticMode || c.options.SilentMode;
    facts.logging = (flags & kFlagLogEachFile) != 0;
    facts.offer_view_log = (flags & kFlagOfferViewLog) != 0;
    facts.launch_configured =
        !c.settings.LaunchDocument.empty() || !c.settings.LaunchProgram.empty() || !c.settings.LaunchFile.empty();
    facts.restart_pending = (flags & kFlagRestartPending) != 0;
    const EndOfRunPlan plan = PlanEndOfRun(facts);

    bool view = ShowEndOfRunPrompt(plan, path);
    if (plan.write_log && !AppendInstallLog(path, failures)) view = false;
    if (view) ViewInstallLog();
  } catch (...) {
    // The working log is removed all the same.
  }
  DiscardWorkingLog();
}

void AppendToInstallLog(std::u16string_view text) {
  const NativeFileView native(Context().settings.Bitness == 1);
  FileObject file;
  if (file.Open(InstallLogPath(), open_flags::kWidePath | open_flags::kShareRead) != kFileOk) return;
  file.Seek(0, FILE_END);
  WriteBytes(file, Utf16ToUtf8(text));
}

void ViewInstallLog() {
  if (Context().options.SilentMode) return;
  const std::u16string path = InstallLogPath();
  if (OpenThroughDesktopShell(path)) return;
  if (reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", W(path), nullptr, nullptr, SW_SHOWNORMAL)) > 32)
    return;
  const std::wstring notepad = SystemFolder() + L"\\notepad.exe";
  std::wstring command = L"notepad.exe \"" + std::wstring(W(path)) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(notepad.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    UniqueHandle owned_process(process.hProcess);
    UniqueHandle owned_thread(process.hThread);
  }
}

}  // namespace mv
