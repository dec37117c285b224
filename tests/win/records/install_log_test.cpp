// The working log and Install.log against real files under Wine.
#include "records/install_log_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "context/prompt.h"
#include "lib/os_info_win.h"
#include "package/settings.h"
#include "records/install_log.h"
#include "records_fixture.h"

namespace mv::testing {
namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kSeparator = "\r\n\r\n" + std::string(46, '*') + "\r\n";

std::vector<Prompt> g_shown;

// Records each prompt and answers No to questions.
int RecordPrompt(const Prompt& prompt) {
  g_shown.push_back(prompt);
  return prompt.kind == PromptKind::kQuestion ? IDNO : IDOK;
}

class InstallLogTest : public RecordsTest {
 protected:
  void SetUp() override {
    RecordsTest::SetUp();
    InstallContext& c = Context();
    c.options.AutomaticMode = true;
    c.install_dir = folder();
    c.settings.UninstallSubdir = u"records";
    ASSERT_TRUE(CreateDirectoryW(W(folder() + u"\\records"), nullptr));
    c.settings.DisplayName = u"Acme Caf\u00E9";
    c.settings.DisplayVersion = "2.1";
    c.settings.BuildDate = {2026, 11, 30, {}};
    c.settings.ProductFlags = kFlagUninstaller | kFlagLogEachFile;
    c.existing.version = u"2.0";
    c.installation_kind = 2;
    Language english{u"English", std::vector<std::u16string>(120)};
    english.texts[40] = u"There were problems. View %s now?";
    english.texts[41] = u"Problems";
    english.texts[42] = u"Acme is installed.";
    english.texts[43] = u"Installation complete.";
    c.lists.Languages = {english};
    g_shown.clear();
  }

  void TearDown() override {
    DiscardWorkingLog();
    SetPromptHandler({});
    RecordsTest::TearDown();
  }

  std::u16string log_path() const { return folder() + u"\\records\\Install.log"; }

  // The header this context gives, with the date that the log itself shows.
  InstallLogHeader HeaderAt(const DateTimeFields& date) const {
    const InstallContext& c = Context();
    InstallLogHeader h;
    h.product_name = c.settings.DisplayName;
    h.install_date = date;
    h.uninstall_support = true;
    h.install_type = 2;
    h.install_location = folder();
    h.build_date = {2026, 11, 30, 0, 0, 0};
    h.product_version = u"2.1";
    h.overwriting_version = u"2.0";
    h.operating_system = Cp1252ToUtf16(OsText(GetOsInfo(), 0));
    return h;
  }
};

DateTimeFields Now() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

// The "Install date: " of the block that begins at `from`.
DateTimeFields DateIn(const std::string& log, std::size_t from = 0) {
  DateTimeFields d;
  const std::size_t at = log.find("Install date: ", from);
  if (at == std::string::npos ||
      std::sscanf(log.c_str() + at + 14, "%d/%d/%d %d:%d:%d", &d.year, &d.month, &d.day, &d.hour, &d.minute,
                  &d.second) != 6)
    ADD_FAILURE() << "no install date in the log";
  return d;
}

TEST_F(InstallLogTest, WritesExactlyTheComposedBlock) {
  ASSERT_TRUE(OpenWorkingLog());
  const std::u16string working = WorkingLogPath();
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  EXPECT_EQ(working.rfind(reinterpret_cast<const char16_t*>(temp), 0), 0u) << "the user's temporary folder";

  LogText(u"Extracting Caf\u00E9\r\n");
  LogTextAnsi("caf\xE9 \x80\r\n");
  LogFormat(u"%s: %d\r\n", {u"Files", 3});
  LogFormatAnsi("%s\xE9%%\r\n", {u"x"});
  LogConcat({u"a", u"b", u"\r\n"});
  LogConcatAnsi({"\xE9", "\r\n"});
  const std::string working_bytes =
      "Extracting Caf\xC3\xA9\r\ncaf\xC3\xA9 \xE2\x82\xAC\r\nFiles: 3\r\nx\xC3\xA9%\r\nab\r\n\xC3\xA9\r\n";
  EXPECT_EQ(ReadAll(working), working_bytes) << "UTF-8 without a byte-order mark, nothing added";

  const DateTimeFields before = Now();
  WriteInstallLog(u"", true);
  const DateTimeFields after = Now();
  EXPECT_FALSE(Exists(working));
  EXPECT_FALSE(WorkingLogOpen());
  EXPECT_TRUE(g_shown.empty());  // automatic: no prompt

  const std::string log = ReadAll(log_path());
  const DateTimeFields date = DateIn(log);
  EXPECT_LE(InstallLogDate(before), InstallLogDate(date));
  EXPECT_LE(InstallLogDate(date), InstallLogDate(after));
  const std::string first =
      InstallLogBlockStart(true, HeaderAt(date)) + working_bytes + InstallLogBlockEnd(u"", u"Installation complete.");
  EXPECT_EQ(log, first);

  // The next run appends its block after the separator.
  ASSERT_TRUE(OpenWorkingLog());
  LogText(u"again\r\n");
  WriteInstallLog(u"Failed to register x\r\n\r\n", false);
  const std::string both = ReadAll(log_path());
  ASSERT_GT(both.size(), first.size());
  EXPECT_EQ(both.substr(0, first.size()), first);
  const DateTimeFields second_date = DateIn(both, first.size());
  EXPECT_EQ(both.substr(first.size()), InstallLogBlockStart(false, HeaderAt(second_date)) + "again\r\n" +
                                           InstallLogBlockEnd(u"Failed to register x\r\n\r\n", u""));
  EXPECT_EQ(both.find(kBom, 1), std::string::npos);
}

TEST_F(InstallLogTest, LoggingOffWithoutFailuresLeavesNoLog) {
  Context().settings.ProductFlags = kFlagUninstaller;
  ASSERT_TRUE(OpenWorkingLog());
  const std::u16string working = WorkingLogPath();
  LogText(u"Extracting\r\n");
  WriteInstallLog(u"", true);
  EXPECT_FALSE(Exists(log_path()));
  EXPECT_FALSE(Exists(working));
}

TEST_F(InstallLogTest, LoggingOffWithOneFailureWritesIt) {
  Context().settings.ProductFlags = kFlagUninstaller;
  ASSERT_TRUE(OpenWorkingLog());
  LogText(u"Extracting\r\n");
  WriteInstallLog(u"Failed to write C:\\x\r\n\r\n", true);
  const std::string log = ReadAll(log_path());
  EXPECT_EQ(log.rfind(kBom + "Installation log for: Acme Caf\xC3\xA9\r\n", 0), 0u);
  EXPECT_TRUE(log.ends_with("\r\n\r\nExtracting\r\n\r\n*** FAILURE SUMMARY ***\r\nFailed to write C:\\x\r\n\r\n")) << log;
}

TEST_F(InstallLogTest, ReadOnlyHiddenLogIsAppendedToAndLeftNormal) {
  ASSERT_TRUE(WriteAll(log_path(), kBom + "old run\r\n"));
  ASSERT_TRUE(SetFileAttributesW(W(log_path()), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(OpenWorkingLog());
  WriteInstallLog(u"", true);
  const std::string log = ReadAll(log_path());
  EXPECT_EQ(log.rfind(kBom + "old run\r\n" + kSeparator + "Installation log for: ", 0), 0u) << log;
  const DWORD attributes = GetFileAttributesW(W(log_path()));
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
}

TEST_F(InstallLogTest, OlderLogsAreConvertedBeforeTheBlock) {
  struct Case {
    std::string old, converted;
  } cases[] = {
      {"caf\xE9 \x80\r\nlonger line of an old log\r\n", "caf\xC3\xA9 \xE2\x82\xAC\r\nlonger line of an old log\r\n"},
      {std::string("\xFF\xFE" "C\0\xE9\0\r\0\n\0", 10), "C\xC3\xA9\r\n"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteAll(log_path(), c.old));
    ASSERT_TRUE(OpenWorkingLog());
    WriteInstallLog(u"", true);
    const std::string log = ReadAll(log_path());
    EXPECT_EQ(log.rfind(kBom + c.converted + kSeparator + "Installation log for: ", 0), 0u) << log;
    EXPECT_EQ(log.find(kBom, 1), std::string::npos);
  }
}

TEST_F(InstallLogTest, EndOfRunPromptsGoThroughThePromptHandler) {
  Context().options.AutomaticMode = false;
  SetPromptHandler(RecordPrompt);

  ASSERT_TRUE(OpenWorkingLog());
  WriteInstallLog(u"Failed\r\n\r\n", true);
  ASSERT_EQ(g_shown.size(), 1u);
  EXPECT_EQ(g_shown[0].kind, PromptKind::kQuestion);
  EXPECT_EQ(g_shown[0].text, u"There were problems. View " + log_path() + u" now?");
  EXPECT_EQ(g_shown[0].caption, u"Problems");
  EXPECT_TRUE(Exists(log_path()));

  // No failures and nothing for the summary page to offer: the completion notice.
  Context().settings.ProductFlags = kFlagUninstaller;
  ASSERT_TRUE(OpenWorkingLog());
  WriteInstallLog(u"", true);
  ASSERT_EQ(g_shown.size(), 2u);
  EXPECT_EQ(g_shown[1].kind, PromptKind::kMessage);
  EXPECT_EQ(g_shown[1].text, u"Acme is installed.");
  EXPECT_EQ(g_shown[1].caption, u"Installation complete.");
  EXPECT_EQ(g_shown[1].style, kPromptOk | kPromptIconInformation);

  // A crash report shows nothing.
  WriteInstallLog(u"INSTALLER CRASHED!\r\n", false);
  EXPECT_EQ(g_shown.size(), 2u);
}

TEST_F(InstallLogTest, FailuresCollectAndTheLogOperationsWithoutAWorkingLogAreIgnored) {
  const std::size_t before = FailureSummary().size();
  AddFailure(u"First\r\n\r\n");
  AddFailure(u"Code %d: %s\r\n\r\n", {5, u"Access denied."});
  EXPECT_EQ(FailureSummary().substr(before), u"First\r\n\r\nCode 5: Access denied.\r\n\r\n");

  EXPECT_FALSE(WorkingLogOpen());
  LogText(u"nowhere\r\n");
  LogFormat(u"%d\r\n", {1});
  EXPECT_TRUE(WorkingLogPath().empty());
}

}  // namespace
}  // namespace mv::testing
