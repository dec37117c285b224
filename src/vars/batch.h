// The batch files the installer runs: their exact bytes (the code-page line, "@echo off", the "SET"
// lines that hand the installer's variables to the batch, the author's text) and the command line that
// runs them. Portable: the Windows side (vars/batch_win) gathers the values and runs the file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "vars/variables.h"

namespace mv {

// True for a batch text that is empty or holds only white space: nothing is written or run.
bool IsBlankBatch(std::string_view text);

// The batch text without its PAUSE lines: every line that, with leading and trailing white space and a
// leading "@" (and the white space after it) removed, is "PAUSE" in any letter case. Used in automatic
// and hidden runs, where nobody could press a key.
std::string RemovePauseLines(std::string_view text);

// `text` followed by the extra commands of the command line (/b1: to /b3:), with a line break between
// them when the text does not end with one. Empty extra commands leave the text as it is.
std::string AppendExtraCommands(std::string text, std::string_view extra);

// One "SET" line that gives the variable `name` exactly `value`, whatever characters it holds: the
// characters the command interpreter treats specially (& | < > ^ ") are escaped with "^" and "%" is
// doubled, so nothing in a value can end the command, start another or expand a variable. (Line breaks
// cannot be held by a line; they become spaces.)
std::u16string SetLine(std::u16string_view name, std::u16string_view value);

// The 58 "SET" lines in their order; "SET Existing" is left out in uninstall mode.
std::u16string SetLines(const std::function<std::u16string(Variable)>& value_of, bool uninstall_mode);

struct BatchFileInputs {
  std::string text;            // the batch text, Windows-1252, extra commands already appended
  bool remove_pause = false;   // automatic mode or a hidden run
  bool uninstall_mode = false;
  bool utf8_capable = false;   // Windows 7 (6.1) or later: UTF-8 with "chcp 65001" is understood
};

// The whole batch file: "@chcp 65001 >nul" and UTF-8 when the system is UTF-8 capable and a character
// is 128 or above, else "@chcp 1252 >nul" and Windows-1252 ("?" for what it cannot hold); then
// "@echo off", the "SET" lines and the text; every line break CR LF, and a final one.
Bytes ComposeBatchFile(const BatchFileInputs& in, const std::function<std::u16string(Variable)>& value_of);

// A batch text as a file: "@chcp 65001 >nul" and UTF-8 when the system is UTF-8 capable and a
// character is 128 or above, else "@chcp 1252 >nul" and Windows-1252 ("?" for what it cannot hold).
Bytes EncodeBatchText(std::u16string_view body, bool utf8_capable);

// Whether a path or command must be quoted for the command interpreter: it holds a blank or a
// character the interpreter treats specially.
bool NeedsCommandQuotes(std::u16string_view text);

// The command that runs the batch: its (short) path, and with a capture file " > " and that path;
// each path quoted when it needs it, and the whole quoted once more when it needs it (the interpreter's
// "/c" strips that outer pair).
std::u16string BatchCommand(std::u16string_view batch_path, std::optional<std::u16string_view> capture_path);

// "\"<interpreter>\" /c <command>".
std::u16string BatchCommandLine(std::u16string_view interpreter, std::u16string_view command);

// The captured output as it goes into the log: trailing white space removed, then "\r\n\r\n"; empty
// when nothing is left.
std::string CapturedOutputForLog(std::string_view captured);

}  // namespace mv
