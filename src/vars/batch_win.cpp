#include "lib/folder_win.h"
#include "vars/batch_win.h"

#include <windows.h>

#include "base/codepage.h"
#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "context/install_context_win.h"
#include "context/prompt.h"
#include "lib/file_rules.h"
#include "lib/handle_win.h"
#include "lib/launch_win.h"
#include "lib/os_info_win.h"
#include "lib/special_folders_win.h"
#include "lib/temp_file_win.h"
#include "lib/wide_win.h"
#include "records/install_log_win.h"
#include "vars/batch.h"
#include "vars/expand_win.h"

namespace mv {

namespace {

constexpr std::uint64_t kFlagPreBatchHidden = 1ull << 23;
constexpr std::uint64_t kFlagPostBatchHidden = 1ull << 24;
constexpr std::uint64_t kFlagExitBatchHidden = 1ull << 25;
constexpr std::uint32_t kFlags2LogPreBatch = 1u << 6;
constexpr std::uint32_t kFlags2LogPostBatch = 1u << 7;
constexpr std::uint64_t kFlagUpgradeBatchHidden = 1ull << 60;
constexpr std::uint64_t kFlagReinstallBatchHidden = 1ull << 61;
constexpr std::uint32_t kFlags2LogUpgradeBatch = 1u << 8;
constexpr std::uint32_t kFlags2LogReinstallBatch = 1u << 9;

std::u16string ShortPath(const std::u16string& path) {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD n = GetShortPathNameW(W(path), buffer, MAX_PATH + 1);
  return n > 0 && n <= MAX_PATH ? U(std::wstring(buffer, n)) : path;
}

// A failure of the batch run: in an error box unless automatic, and in the installation log.
void ReportFailure(const std::u16string& text) {
  if (!Context().options.AutomaticMode) ShowMessage(text, u"Error", kPromptOk | kPromptIconError);
  LogText(text + u"\r\n");
}

// A file the batch run made, open through the handle that made it, deleted at the end of the run.
struct OwnFile {
  std::u16string path;
  UniqueHandle handle;
  ~OwnFile() {
    if (path.empty()) return;
    handle.reset();
    DeleteFileW(W(path));
  }
};

bool WriteAllTo(HANDLE file, const Bytes& bytes) {
  DWORD written = 0;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
}

// The batch file, written and then held open: others may read it (the interpreter) but nobody may
// change, replace or delete it while it runs. In the installation folder it has the fixed name
// and replaces an earlier one; in the temporary folder it is created exclusively under a new name.
bool WriteBatchFile(const std::u16string& folder, bool own_folder, const Bytes& bytes, OwnFile& out,
                    DWORD& error) {
  UniqueHandle writer;
  if (own_folder) {
    out.path = JoinPath(folder, u"SETUPBAT.BAT");
    writer.reset(CreateFileW(W(out.path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  } else {
    CreatedTempFile temp = CreateTempFile(folder, u"bat", {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ});
    out.path = std::move(temp.path);
    writer = std::move(temp.handle);
  }
  if (!writer || !WriteAllTo(writer.get(), bytes)) {
    error = GetLastError();
    if (writer) {
      writer.reset();
      DeleteFileW(W(out.path));
    }
    if (out.path.empty()) out.path = folder;  // no name could be made there
    return false;
  }
  // Held open until the run is over: with sharing for reading only, nobody else can change, replace
  // or delete the file in between.
  out.handle = std::move(writer);
  return true;
}

// The capture file for the batch's output: empty, in the batch folder, writable by the interpreter's
// redirection while the installer keeps its own handle for reading it back.
bool CreateCaptureFile(const std::u16string& folder, bool own_folder, OwnFile& out) {
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if (own_folder) {
    out.path = JoinPath(folder, u"cs_batch.log");
    out.handle.reset(CreateFileW(W(out.path), GENERIC_READ, kShare, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  } else {
    CreatedTempFile temp = CreateTempFile(folder, u"log", {GENERIC_READ, kShare});
    out.path = std::move(temp.path);
    out.handle = std::move(temp.handle);
  }
  if (out.handle) return true;
  out.path.clear();
  return false;
}

std::string ReadAll(HANDLE file) {
  std::string bytes;
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) return bytes;
  char buffer[16384];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

void RunPackageBatch(const std::string& batch, const std::string& extra, std::uint64_t hidden_flag,
                     std::uint32_t log_flag, const char16_t* log_name) {
  const InstallContext& c = Context();
  std::optional<std::u16string> name;
  if (log_flag && (c.header.product_flags2 & log_flag)) name = log_name;
  RunBatch(AppendExtraCommands(batch, extra), (c.settings.ProductFlags & hidden_flag) != 0, name);
}

}  // namespace

std::u16string FindCommandInterpreter() {
  const std::u16string expanded = ExpandEnvironment(u"%comspec%");
  if (!expanded.empty() && expanded != u"%comspec%") return expanded;
  return JoinPath(WindowsSystemFolder(), u"cmd.exe");
}

bool RunBatch(std::string_view text, bool hidden, const std::optional<std::u16string>& log_name) {
  if (IsBlankBatch(text)) return true;
  const InstallContext& c = Context();
  hidden = hidden || c.options.SilentMode;
  if (log_name) LogText(u"\r\nRunning " + *log_name + u"...\r\n");

  const std::u16string interpreter = FindCommandInterpreter();
  if (!FileExists(interpreter)) {
    LogText(u"The CLI " + interpreter + u" does not exist!\r\n");
    return false;
  }

  const OsInfo& os = GetOsInfo();
  BatchFileInputs inputs;
  inputs.text = std::string(text);
  inputs.remove_pause = c.options.AutomaticMode || hidden;
  inputs.uninstall_mode = c.options.UninstallMode;
  inputs.utf8_capable = os.major > 6 || (os.major == 6 && os.minor >= 1);
  const Bytes bytes = ComposeBatchFile(inputs, [&](Variable v) { return VariableValue(v, c); });

  const std::u16string install_dir = InstallDir(c);
  const bool own_folder = !install_dir.empty() && FolderExists(install_dir);
  const std::u16string folder = own_folder ? install_dir : StripTrailingBackslash(UserTempFolder());

  OwnFile batch;
  DWORD error = 0;
  if (!WriteBatchFile(folder, own_folder, bytes, batch, error)) {
    ReportFailure(FormatText(u"Unable to create batch file \"%s\".\r\n\r\n%s", {batch.path, SystemErrorText(error)}));
    batch.path.clear();  // nothing of ours is left to delete
    return false;
  }

  OwnFile capture;
  if (log_name && !CreateCaptureFile(folder, own_folder, capture)) {
    LogText(u"Failed to create batch output capture file.  " + SystemErrorText(GetLastError()) + u"\r\n");
  }

  const std::u16string command =
      BatchCommand(ShortPath(batch.path), capture.path.empty() ? std::nullopt
                                                               : std::optional<std::u16string>(ShortPath(capture.path)));
  const std::u16string command_line = BatchCommandLine(interpreter, command);
  const LaunchResult run = RunAndWait(command_line, folder, hidden);
  if (!run.started) {
    ReportFailure(FormatText(u"Unable to launch batch file \"%s\".\r\n%s\r\nCommand-line: %s",
                             {batch.path, SystemErrorText(run.error), command_line}));
    return false;
  }

  if (capture.handle) {
    const std::string output = CapturedOutputForLog(ReadAll(capture.handle.get()));
    // The interpreter wrote in the batch's code page.
    const bool utf8 = bytes.size() > 11 && std::string(bytes.begin(), bytes.begin() + 11) == "@chcp 65001";
    if (!output.empty()) LogText(utf8 ? Utf8ToUtf16(output) : Cp1252ToUtf16(output));
  }
  return true;
}

void RunPreInstallBatch() {
  const InstallContext& c = Context();
  RunPackageBatch(c.settings.PreInstallBatch, c.options.ExtraPreBatch, kFlagPreBatchHidden, kFlags2LogPreBatch,
                  u"Pre-Installation Batch");
}

void RunUpgradeBatch() {
  const InstallContext& c = Context();
  RunPackageBatch(c.settings.UpgradeBatch, {}, kFlagUpgradeBatchHidden, kFlags2LogUpgradeBatch, u"Upgrade Batch");
}

void RunReinstallBatch() {
  const InstallContext& c = Context();
  RunPackageBatch(c.settings.ReinstallBatch, {}, kFlagReinstallBatchHidden, kFlags2LogReinstallBatch,
                  u"Reinstall Batch");
}

void RunPostInstallBatch() {
  const InstallContext& c = Context();
  RunPackageBatch(c.settings.PostInstallBatch, c.options.ExtraPostBatch, kFlagPostBatchHidden, kFlags2LogPostBatch,
                  u"Post-Installation Batch");
}

void RunExitBatch() {
  const InstallContext& c = Context();
  RunPackageBatch(c.settings.ExitBatch, c.options.ExtraExitBatch, kFlagExitBatchHidden, 0, nullptr);
}

}  // namespace mv
