// Uninstall.dat both ways: the 8-bit sectioned text file that tells the uninstaller what to undo.
//
// Layout (lines end with "\r\n"; no byte-order mark):
//   the entry list, one entry per line, without a section header;
//   "\r\n\r\n[Strings]\r\n" and, per text, "~" + number + "\r\n" + the text in UTF-8 + "\r\n";
//   then, each only when it has something, preceded by "\r\n\r\n" and its header line:
//   "[AutoClose]" (CSV: window class, window title, program name in UTF-8, action number),
//   "[Associations]", "[Firewall]", "[INF]", "[MSI]" (lines as given),
//   "[Registry2]" (the registry script in UTF-8), "[ConditionalDelete]" (CSV: path, condition
//   number, comparison value, flags).
//
// ReadUninstallFile returns the records that ComposeUninstallFile was given. A text in "[Strings]"
// runs until the next line that begins with "~" or is a section header, so it may hold line breaks;
// a text line that itself begins with "~", or any line equal to a section header, cannot be
// written so that it reads back.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "package/lists.h"

namespace mv {

// The texts the uninstaller shows, copied from the installation's language.
inline constexpr std::array<int, 33> kUninstallTextNumbers = {10, 15, 20, 30, 34, 35, 49, 53, 55, 56, 57,
                                                              58, 59, 65, 67, 68, 69, 70, 71, 74, 79, 80,
                                                              99, 100, 101, 104, 107, 108, 109, 110, 111, 115, 116};
// The number under which the banner title of the dialogs is kept.
inline constexpr int kBannerTitleNumber = 999;
// Text numbers outside this range are skipped when reading.
inline constexpr int kMaxUninstallTextNumber = 1000;

struct NumberedText {
  int number = 0;
  std::u16string text;  // line breaks are kept as they are
  bool operator==(const NumberedText&) const = default;
};

// A program the uninstaller closes before it removes anything.
struct AutoCloseEntry {
  std::u16string window_class;
  std::u16string window_title;
  std::u16string program_name;
  std::uint32_t action = 0;  // 0 close, 1 quit, 2 ask the user, 3 terminate
  bool operator==(const AutoCloseEntry&) const = default;
};

struct UninstallFile {
  std::vector<std::string> entries;  // each line as written: prefix and text, no line end
  std::vector<NumberedText> strings;
  std::vector<AutoCloseEntry> auto_close;
  std::vector<std::string> associations;  // lines without their line ends
  std::vector<std::string> firewall;
  std::vector<std::string> drivers;   // "[INF]"
  std::vector<std::string> packages;  // "[MSI]"
  // The registry script; written with a final "\r\n" when it lacks one, and read back with it.
  std::u16string registry_script;
  std::vector<DeletionRecord> conditional_deletions;
  bool operator==(const UninstallFile&) const = default;
};

std::string ComposeUninstallFile(const UninstallFile& file);

// Whether `line` is one of the section header lines ("[Strings]" and the others).
bool IsUninstallSectionHeader(std::string_view line);

struct UninstallFileResult {
  bool ok = false;
  UninstallFile file;
  std::string error;  // what was malformed and on which line, when !ok
};

// Reads the file's bytes. A line that equals a section header switches to that section; up to two
// empty lines right before a header are the separator, not content. Malformed input (a section
// header that appears twice, text in "[Strings]" before the first number line, a record of
// "[AutoClose]" or "[ConditionalDelete]" that is not valid CSV, a number field that is not a
// decimal number of its size, a "[ConditionalDelete]" record without exactly four fields) gives
// !ok with the reason. "[AutoClose]" records with another number of fields than four are skipped,
// as are "[Strings]" texts whose number line is not "~" and a number from 1 to 1000.
UninstallFileResult ReadUninstallFile(std::string_view bytes);

// The "[Strings]" texts of an installation: the numbered texts of `language`, then the banner title.
std::vector<NumberedText> UninstallStrings(const Lists& lists, int language, std::u16string_view banner_title);

// The programs still to close at uninstallation: the records that apply then.
std::vector<AutoCloseEntry> UninstallAutoClose(const std::vector<CloseProgramRecord>& records);

// The conditional deletions that run at uninstallation (flag bit 3).
std::vector<DeletionRecord> UninstallDeletions(const std::vector<DeletionRecord>& records);

// The registry script for the uninstaller: the package's script (UTF-16LE bytes; an odd last byte is
// dropped) followed by the records the installation appended, with a line end between the two
// when the package's script lacks one.
std::u16string UninstallRegistryScript(const Bytes& package_script, std::u16string_view appended);

}  // namespace mv
