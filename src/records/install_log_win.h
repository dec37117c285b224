// The installation's running log and failure summary, and Install.log at the end of the run.
//
// The working log is a temporary file (UTF-8, no byte-order mark) that every installation action
// appends its lines to; nothing is added to what callers write. The failure summary collects a
// paragraph per failed action. WriteInstallLog composes both, behind a header, into Install.log in
// the product's uninstall-data folder and runs the end-of-run prompts.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/format.h"

namespace mv {

// Creates the working log in the user's temporary folder. Called once, when the installation
// actions begin; false when no file could be made (the log operations then write nothing).
bool OpenWorkingLog();
bool WorkingLogOpen();
// Where the working log is; empty when it is not open.
std::u16string WorkingLogPath();
// Closes the working log and deletes it (the exit path's clean-up).
void DiscardWorkingLog();

// Appending to the working log; each converts to UTF-8, and a failed write is ignored. The 8-bit
// forms read their texts as Windows-1252. Formats are the runtime's own texts; a package or
// language text is passed as an argument, never as the format.
void LogText(std::u16string_view text);
void LogTextAnsi(std::string_view text);
void LogFormat(std::u16string_view format, const std::vector<FormatArg>& args);
void LogFormatAnsi(std::string_view format, const std::vector<FormatArg>& args);
void LogConcat(std::initializer_list<std::u16string_view> texts);
void LogConcatAnsi(std::initializer_list<std::string_view> texts);

// Appends a paragraph (as a rule ending "\r\n\r\n") to the failure summary.
void AddFailure(std::u16string_view text);
void AddFailure(std::u16string_view format, const std::vector<FormatArg>& args);
const std::u16string& FailureSummary();

// The install folder joined with the uninstall sub-folder (when there is one) and "Install.log".
std::u16string InstallLogPath();

// Writes Install.log with `failures` (a copy of the failure summary) and, with `final` (the end of
// the installation), shows the end-of-run prompt through context/prompt.h: the completion notice
// (which also stands for the summary page until the wizard has one), or the question whether to
// view the log. The log is written when the product's logging setting
// (ProductFlags bit 20) is on or there are failures. The working log is closed and deleted in
// every case.
void WriteInstallLog(const std::u16string& failures, bool final);

// Appends `text` (as UTF-8) to Install.log, creating it when missing: for what happens after the log
// was written. A failure is ignored.
void AppendToInstallLog(std::u16string_view text);

// Shows Install.log to the user (nothing in silent mode): through the desktop shell, so that an
// elevated installer opens it unelevated; else with the shell's "open"; else in Notepad.
void ViewInstallLog();

}  // namespace mv
