#include "records/install_log.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kSeparator = "\r\n\r\n**********************************************\r\n";

InstallLogHeader FullHeader() {
  InstallLogHeader h;
  h.product_name = u"Acme Caf\u00E9";
  h.install_date = {2026, 12, 7, 14, 5, 9};
  h.uninstall_support = true;
  h.install_type = 2;
  h.install_location = u"C:\\Program Files\\Acme";
  h.build_date = {2026, 11, 30, 0, 0, 0};
  h.product_version = u"2.1";
  h.overwriting_version = u"2.0b";
  h.operating_system = u"Windows 10 Pro x64";
  return h;
}

TEST(InstallLog, BlockWithEveryHeaderLine) {
  const std::string working_log = "Extracting...\r\nC:\\Program Files\\Acme\\acme.exe\r\n";
  const std::string block =
      InstallLogBlockStart(true, FullHeader()) + working_log + InstallLogBlockEnd(u"", u"Installation complete.");
  EXPECT_EQ(block,
            kBom +
                "Installation log for: Acme Caf\xC3\xA9\r\n"
                "Install date: 2026/12/07 14:05:09\r\n"
                "Install type: Upgrade\r\n"
                "Install location: C:\\Program Files\\Acme\r\n"
                "Installer version: 50.0\r\n"
                "Installer built: 2026/11/30\r\n"
                "Product version: 2.1\r\n"
                "Overwriting version: 2.0b\r\n"
                "Operating system: Windows 10 Pro x64\r\n"
                "\r\n"
                "Extracting...\r\nC:\\Program Files\\Acme\\acme.exe\r\n"
                "\r\n"
                "Installation complete.\r\n");
}

TEST(InstallLog, BlockWithoutInstallTypeBuildDateAndVersions) {
  InstallLogHeader h = FullHeader();
  h.uninstall_support = false;
  h.build_date = {};
  h.product_version.clear();
  h.overwriting_version.clear();
  const std::string block = InstallLogBlockStart(true, h) + "" +
                            InstallLogBlockEnd(u"Failed to register \u00AB x \u00BB\r\n\r\n", u"unused");
  EXPECT_EQ(block,
            kBom +
                "Installation log for: Acme Caf\xC3\xA9\r\n"
                "Install date: 2026/12/07 14:05:09\r\n"
                "Install location: C:\\Program Files\\Acme\r\n"
                "Installer version: 50.0\r\n"
                "Operating system: Windows 10 Pro x64\r\n"
                "\r\n"
                "\r\n"
                "*** FAILURE SUMMARY ***\r\n"
                "Failed to register \xC2\xAB x \xC2\xBB\r\n\r\n");
}

TEST(InstallLog, InstallTypesAndDates) {
  InstallLogHeader h = FullHeader();
  const char16_t* names[] = {u"New", u"Reinstall", u"Upgrade", u"Downgrade"};
  for (int type = 0; type < 4; ++type) {
    h.install_type = type;
    EXPECT_NE(InstallLogHeaderText(h).find(std::u16string(u"\r\nInstall type: ") + names[type] + u"\r\n"),
              std::u16string::npos);
  }
  EXPECT_EQ(InstallLogDate({2026, 12, 7, 14, 5, 9}), u"2026/12/07 14:05:09");
  EXPECT_EQ(InstallLogDate({987, 1, 2, 0, 0, 0}), u"0987/01/02 00:00:00");
}

TEST(InstallLog, SecondBlockFollowsTheSeparatorAndTheMarkStaysAtTheStart) {
  const std::string first = InstallLogBlockStart(true, FullHeader()) + "one\r\n" + InstallLogBlockEnd(u"", u"Done");
  InstallLogHeader again = FullHeader();
  again.install_type = 1;
  const std::string second = InstallLogBlockStart(false, again) + "two\r\n" + InstallLogBlockEnd(u"", u"Done");
  const std::string file = first + second;

  EXPECT_EQ(file.find(kBom), 0u);
  EXPECT_EQ(file.find(kBom, 1), std::string::npos);
  ASSERT_EQ(second.rfind(kSeparator, 0), 0u);
  EXPECT_EQ(second.substr(kSeparator.size()), InstallLogBlockStart(true, again).substr(kBom.size()) +
                                                   "two\r\n\r\nDone\r\n");
  EXPECT_EQ(file.substr(first.size() - 8, 8 + kSeparator.size()), "\r\nDone\r\n" + kSeparator);
}

TEST(InstallLog, OlderLogsAreConvertedOnce) {
  // Windows-1252 "é", "€" and the C1 byte 0x81 keep their characters.
  const std::string old = "Caf\xE9 \x80 \x81\r\n";
  const std::optional<std::string> converted = ConvertOldInstallLog(old);
  ASSERT_TRUE(converted);
  EXPECT_EQ(*converted, kBom + "Caf\xC3\xA9 \xE2\x82\xAC \xC2\x81\r\n");
  EXPECT_FALSE(ConvertOldInstallLog(*converted));  // already UTF-8: left alone
  EXPECT_FALSE(ConvertOldInstallLog(""));

  // UTF-16 in either byte order; a stray last byte becomes the replacement character.
  EXPECT_EQ(ConvertOldInstallLog(std::string("\xFF\xFE" "C\0\xE9\0\r\0\n\0", 10)), kBom + "C\xC3\xA9\r\n");
  EXPECT_EQ(ConvertOldInstallLog(std::string("\xFE\xFF\0C\0\xE9\x20\xAC", 8)), kBom + "C\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(ConvertOldInstallLog(std::string("\xFF\xFE" "A\0B", 5)), kBom + "A\xEF\xBF\xBD");
  // Two bytes of a mark that is not there are ordinary Windows-1252 text.
  EXPECT_EQ(ConvertOldInstallLog("\xEF\xBB"), kBom + "\xC3\xAF\xC2\xBB");
}

TEST(InstallLog, EndOfRunPromptAndWhetherTheLogIsWritten) {
  using P = EndOfRunPrompt;
  struct Case {
    const char* name;
    EndOfRunFacts facts;
    P prompt;
    bool offers_view_log;
    bool write_log;
  } cases[] = {
      {"nothing to offer: the notice", {.final = true}, P::kCompletionMessage, false, false},
      {"logging, view-log choice: the page", {.final = true, .logging = true, .offer_view_log = true},
       P::kSummaryPage, true, true},
      {"view-log choice without logging: switched off", {.final = true, .offer_view_log = true},
       P::kCompletionMessage, false, false},
      {"something to launch: the page", {.final = true, .launch_configured = true}, P::kSummaryPage, false, false},
      {"restart pending: the notice", {.final = true, .launch_configured = true, .restart_pending = true},
       P::kCompletionMessage, false, false},
      {"notice suppressed", {.final = true, .completion_notice_suppressed = true, .logging = true}, P::kNone, false,
       true},
      {"failures: the question, and a log", {.final = true, .failures = true}, P::kViewLogQuestion, false, true},
      {"automatic: no prompt", {.final = true, .failures = true, .automatic = true}, P::kNone, false, true},
      {"crash report: no prompt", {.failures = true}, P::kNone, false, true},
      {"automatic without failures or logging", {.final = true, .automatic = true}, P::kNone, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const EndOfRunPlan plan = PlanEndOfRun(c.facts);
    EXPECT_EQ(plan.prompt, c.prompt);
    EXPECT_EQ(plan.summary_offers_view_log, c.offers_view_log);
    EXPECT_EQ(plan.write_log, c.write_log);
  }
}

}  // namespace
}  // namespace mv
