// Install.log: the block one installation adds to the log in the product's uninstall-data folder,
// the conversion of logs that older installers wrote, and the choice of the end-of-run prompt.
//
// A block is: the byte-order mark EF BB BF when the file is empty, otherwise "\r\n\r\n", 46 "*" and
// "\r\n"; the header lines in UTF-8, the last followed by an empty line; the working log byte for
// byte; "\r\n"; then "*** FAILURE SUMMARY ***\r\n" and the failure summary, or the completion text
// and "\r\n".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "package/settings.h"

namespace mv {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// ProductFlags bits that decide what the end of the run writes and shows.
inline constexpr std::uint64_t kFlagRestartPending = 1ull << 14;
inline constexpr std::uint64_t kFlagLogEachFile = 1ull << 20;  // the product's logging setting
inline constexpr std::uint64_t kFlagOfferViewLog = 1ull << 57;  // the summary page offers the log

struct InstallLogHeader {
  std::u16string product_name;
  DateTimeFields install_date;  // local time
  bool uninstall_support = false;  // "Install type: " is written only then
  int install_type = 0;            // 0 new, 1 reinstallation, 2 upgrade, 3 downgrade
  std::u16string install_location;
  DateTimeFields build_date;  // the package's build date; month 0: none
  std::u16string product_version;
  std::u16string overwriting_version;  // of the installation being replaced
  std::u16string operating_system;
};

// "2026/12/07 14:05:09".
std::u16string InstallLogDate(const DateTimeFields& date);

// The header lines, each ended by "\r\n", with an empty line after the last.
std::u16string InstallLogHeaderText(const InstallLogHeader& header);

// The start of a block, up to the working log: the byte-order mark (file_empty) or the separator,
// and the header in UTF-8.
std::string InstallLogBlockStart(bool file_empty, const InstallLogHeader& header);

// The end of a block, after the working log: "\r\n" and the failure part when `failures` is not
// empty, otherwise `completion_text` and "\r\n".
std::string InstallLogBlockEnd(std::u16string_view failures, std::u16string_view completion_text);

// An existing log that does not begin with the UTF-8 byte-order mark is converted to UTF-8 with the
// mark before a block is added: from UTF-16 when it begins with that byte-order mark (either byte
// order), otherwise from Windows-1252. Nothing (nullopt) when it needs no conversion: empty, or
// already UTF-8.
std::optional<std::string> ConvertOldInstallLog(std::string_view content);

// What the end of the run shows before the log is written.
enum class EndOfRunPrompt {
  kNone,
  kCompletionMessage,  // language text 42 with caption 43 and the information icon
  kSummaryPage,        // the wizard's summary page
  kViewLogQuestion,    // language text 40 (with the log's path) and caption 41, Yes and No
};

struct EndOfRunFacts {
  bool final = false;                         // the end of the installation, not a crash report
  bool failures = false;                      // the failure summary is not empty
  bool automatic = false;                     // automatic or silent mode
  bool completion_notice_suppressed = false;  // the product shows no completion notice
  bool logging = false;                       // the product's logging setting (ProductFlags bit 20)
  bool offer_view_log = false;                // the summary page may offer to view the log (bit 57)
  bool launch_configured = false;             // a program, document or file to open afterwards
  bool restart_pending = false;               // ProductFlags bit 14
};

struct EndOfRunPlan {
  EndOfRunPrompt prompt = EndOfRunPrompt::kNone;
  bool summary_offers_view_log = false;  // only when there will be a log
  bool write_log = false;                // logging is on, or there are failures
};

EndOfRunPlan PlanEndOfRun(const EndOfRunFacts& facts);

}  // namespace mv
