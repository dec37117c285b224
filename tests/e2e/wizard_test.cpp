// The wizard of a real installer under Wine, driven through its windows from the language page to
// the summary the way a person (or UI automation) goes through it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "package/header.h"
#include "scenario.h"

namespace mve2e {
namespace {

constexpr std::uint64_t kFolderPage = 1ull << 7;
constexpr std::uint64_t kLogEachFile = 1ull << 20;
constexpr std::uint64_t kStartMenuPage = 1ull << 34;
constexpr std::uint64_t kReadLicenseToEnd = 1ull << 48;
constexpr std::uint64_t kProgressDialog = 1ull << 51;
constexpr std::uint64_t kViewLogBox = 1ull << 57;

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string WindowsPath(const fs::path& path) {
  std::u16string out = u"Z:";
  for (char c : path.string()) out += c == '/' ? u'\\' : static_cast<char16_t>(c);
  return out;
}

// Every text of a language is its letter and number ("D44"), apart from the texts that are
// formatted with an argument.
mv::Language MakeLanguage(const std::u16string& name, const std::string& letter) {
  mv::Language l{name, {}};
  for (int n = 0; n < 120; ++n) l.texts.push_back(U16(letter + std::to_string(n)));
  for (int n : {16, 18, 19, 22, 23, 73, 96}) l.texts[n] += u" %s";
  l.texts[105] = U16(letter) + u"105 <a>web site</a>";
  l.texts[63] = l.texts[64] = u"";  // no licence or readme page of the language's own
  return l;
}

mv::Bytes Utf16(std::u16string_view text) {
  mv::Bytes b = {0xFF, 0xFE};
  for (char16_t c : text) b.push_back(c & 0xFF), b.push_back(c >> 8);
  return b;
}

// Two languages, every page, a licence long enough to need scrolling and an RTF readme with a link.
mvpack::Project WizardProject(const fs::path& dir, const std::string& first, const std::string& second) {
  mvpack::Project p = SmallProject(dir);
  p.settings.ProductFlags |= kLogEachFile | kFolderPage | kStartMenuPage | kReadLicenseToEnd | kProgressDialog | kViewLogBox;
  p.settings.InstallPassword = u"Open Sesame";
  p.settings.GreetingDlgStyle = 1;
  p.settings.LanguageDlgStyle = 2;
  p.settings.LicenseDlgStyle = 3;
  p.settings.ReadmeDlgStyle = 0;
  p.settings.ChooseDirDlgStyle = 3;
  p.settings.StartMenuDlgStyle = 1;
  p.settings.ProgressStyle = 2;
  p.settings.SummaryDlgStyle = 0;
  p.settings.LaunchProgram = u"%InstallDir%\\data.bin";
  // Keeps the progress dialog up for a few seconds at the end, so that its bar can be read.
  p.settings.PostInstallBatch = "ping -n 6 127.0.0.1 >nul\r\n";
  p.settings.GreetingLinkUrl = {'h', 't', 't', 'p', ':', '/', '/', 'e', 'x', 'a', 'm', 'p', 'l', 'e', '.', 't', 'e', 's', 't'};
  std::u16string licence = u"Licence of <product>\r\n";
  for (int i = 1; i <= 60; ++i) licence += u"Clause " + U16(std::to_string(i)) + u".\r\n";
  p.settings.LicenseFiles = {Utf16(licence)};
  const std::string rtf = "{\\rtf1\\ansi Read {\\b this}: https://example.test/readme \\par}";
  p.settings.ReadmeFiles = {mv::Bytes(rtf.begin(), rtf.end())};
  p.lists.Languages = {MakeLanguage(u"English", first), MakeLanguage(u"Deutsch", second)};
  return p;
}

ToolResult Ui(const std::vector<std::string>& args) { return RunTool(HelperExe("mvui"), args); }

// Waits for a page (by caption) and returns its controls as mvui lists them.
std::string Page(const std::string& title) {
  ToolResult r = Ui({"list", "--title", title, "--timeout", "30000"});
  EXPECT_EQ(r.status, 0) << "no window \"" << title << "\"";
  return r.output;
}

void Click(const std::string& title, int id) {
  EXPECT_EQ(Ui({"click", "--title", title, "--id", std::to_string(id)}).status, 0) << title << " " << id;
}

void SetText(const std::string& title, int id, const std::string& text) {
  EXPECT_EQ(Ui({"settext", "--title", title, "--id", std::to_string(id), "--text", text}).status, 0);
}

std::string State(const std::string& title, int id) {
  return Ui({"state", "--title", title, "--id", std::to_string(id)}).output;
}

bool Has(const std::string& list, int id, const std::string& cls, const std::string& text) {
  return list.find(std::to_string(id) + "\t" + cls + "\t" + text) != std::string::npos;
}

// Answers an error box of the installer (caption `caption`) that shows `text`.
void AnswerError(const std::string& caption, const std::string& text) {
  ToolResult box = Ui({"list", "--title", caption, "--holding", text, "--timeout", "20000"});
  ASSERT_EQ(box.status, 0) << "no error box with " << text;
  EXPECT_EQ(Ui({"click", "--title", caption, "--holding", text, "--id", "1"}).status, 0);
}

// The pages in order, each left with its forward button; `cancel_at` leaves that page with its
// cancel button instead (and answers the cancellation notice) and returns.
enum Step { kLanguage, kGreeting, kPassword, kLicence, kReadme, kFolder, kStartMenu, kSummary, kNone };

void Drive(const fs::path& target, Step cancel_at, const std::string& e, const std::string& d) {
  auto E = [&](int n) { return e + std::to_string(n); };
  auto D = [&](int n) { return d + std::to_string(n); };
  auto leave = [&](Step step, const std::string& title) {
    if (step != cancel_at) return Click(title, 1001);
    Click(title, 1003);
    // The cancellation notice in the chosen language.
    ASSERT_EQ(Ui({"find", "--title", D(111), "--holding", D(98), "--timeout", "20000"}).status, 0);
    Click(D(111), 1);
  };

  // Language: English is pre-selected (the prefix's user language); choosing Deutsch re-labels the
  // page at once.
  std::string list = Page(E(94));
  EXPECT_TRUE(Has(list, 1009, "Static", E(82))) << list;
  EXPECT_TRUE(Has(list, 1035, "Static", E(94))) << list;  // the banner's subtitle
  EXPECT_EQ(Ui({"select", "--title", E(94), "--id", "1017", "--index", "1"}).status, 0);
  list = Page(D(94));
  EXPECT_TRUE(Has(list, 1001, "Button", D(48))) << list;
  EXPECT_TRUE(Has(list, 1003, "Button", D(49))) << list;
  leave(kLanguage, D(94));
  if (cancel_at == kLanguage) return;

  // Greeting with its web link.
  list = Page(D(65));
  EXPECT_TRUE(Has(list, 1009, "Static", D(1))) << list;
  EXPECT_NE(list.find("1040\tSysLink\t" + D(105) + " <a href=\"http://example.test\">web site</a>"), std::string::npos) << list;
  leave(kGreeting, D(65));
  if (cancel_at == kGreeting) return;

  // Password: a wrong one keeps the page, with the error; the exact one passes.
  list = Page(D(75));
  EXPECT_TRUE(Has(list, 1039, "Static", D(27))) << list;
  if (cancel_at != kPassword) {
    SetText(D(75), 1019, "open sesame");
    Click(D(75), 1001);
    AnswerError(D(21), D(102));
    SetText(D(75), 1019, "Open Sesame");
  }
  leave(kPassword, D(75));
  if (cancel_at == kPassword) return;

  // Licence: the forward button waits until the text is scrolled to its end; Page Down pressed on
  // the cancel button scrolls it.
  list = Page(D(44));
  EXPECT_NE(list.find("Licence of E2E Product"), std::string::npos) << list;  // placeholder replaced
  EXPECT_NE(State(D(44), 1001).find("enabled=0"), std::string::npos)
      << Ui({"scroll", "--title", D(44), "--id", "1005"}).output;
  if (cancel_at != kLicence) {
    for (int i = 0; i < 60 && State(D(44), 1001).find("enabled=1") == std::string::npos; ++i)
      Ui({"key", "--title", D(44), "--id", "1003", "--vk", "34"});
    EXPECT_NE(State(D(44), 1001).find("enabled=1"), std::string::npos) << Ui({"scroll", "--title", D(44), "--id", "1005"}).output;
  }
  leave(kLicence, D(44));
  if (cancel_at == kLicence) return;

  // Readme in RTF: a rich-edit control in place of the plain text.
  list = Page(D(50));
  EXPECT_NE(list.find("1005\tRichEdit20W\tRead this: https://example.test/readme"), std::string::npos) << list;
  leave(kReadme, D(50));
  if (cancel_at == kReadme) return;

  // Folder: the drive root and Program Files itself are refused, then a new folder is accepted.
  list = Page(D(11));
  EXPECT_TRUE(Has(list, 1009, "Static", D(11))) << list;
  EXPECT_TRUE(Has(list, 1013, "Button", D(52))) << list;
  if (cancel_at != kFolder) {
    SetText(D(11), 1015, "C:\\");
    Click(D(11), 1001);
    AnswerError(D(21), D(17));
    SetText(D(11), 1015, "C:\\Program Files (x86)");
    Click(D(11), 1001);
    AnswerError(D(21), D(18) + " C:\\Program Files (x86)");
    SetText(D(11), 1015, "  " + mv::Utf16ToUtf8(WindowsPath(target)) + "\\ ");
  }
  leave(kFolder, D(11));
  if (cancel_at == kFolder) return;

  // Start menu: ":" disables the forward button at once, removing it enables it again.
  list = Page(D(89));
  SetText(D(89), 1015, "Vendor:Product");
  EXPECT_NE(State(D(89), 1001).find("enabled=0"), std::string::npos);
  SetText(D(89), 1015, "Vendor\\Product");
  EXPECT_NE(State(D(89), 1001).find("enabled=1"), std::string::npos);
  leave(kStartMenu, D(89));
  if (cancel_at == kStartMenu) return;

  // Progress: the bar reaches its end before the dialog goes.
  const std::vector<std::string> bar = {"progress", "--class", "#32770", "--holding", D(39), "--id", "1007"};
  auto read_bar = [&](const char* timeout) {
    std::vector<std::string> args = bar;
    args.insert(args.end(), {"--timeout", timeout});
    return Ui(args);
  };
  ToolResult position = read_bar("30000");
  EXPECT_EQ(position.status, 0) << "no progress dialog";
  for (int i = 0; i < 60 && position.status == 0 && position.output.find("pos=100 ") == std::string::npos; ++i)
    position = read_bar("1000");
  EXPECT_NE(position.output.find("pos=100 max=100"), std::string::npos) << position.output;

  // Summary: the launch box (checked) and the log box (unchecked), nothing else.
  list = Page(D(43));
  EXPECT_NE(State(D(43), 1025).find("visible=1 checked=1"), std::string::npos) << list;
  EXPECT_NE(State(D(43), 1027).find("visible=1 checked=0"), std::string::npos);
  EXPECT_NE(State(D(43), 1023).find("visible=0"), std::string::npos);
  Click(D(43), 1001);
}

// Builds the wizard's installer in a fresh folder `name`, runs it through Drive and returns its exit;
// `target` receives the folder the walk accepts.
// The two languages' letters are the scenario's own, so that scenarios running side by side never
// find each other's windows.
ExitCode RunDriven(const std::string& name, Step cancel_at, fs::path& target, const std::string& first,
                   const std::string& second) {
  const fs::path dir = ScratchDir(name);
  const Built b = Build(WizardProject(dir, first, second), dir / "wizard.exe");
  target = dir / "Target Folder";
  // Ends the run within CTest's five minutes, so that a stuck run is reported as such.
  WindowsRun run(b.path, "", 240, dir);
  Drive(target, cancel_at, first, second);
  return run.Wait();
}

TEST(Wizard, EveryPageFromLanguageToSummary) {
  fs::path target;
  const ExitCode r = RunDriven("wizard-full", kNone, target, "E", "D");
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  // The accepted folder was created, trimmed of its blanks and backslash, and the installation
  // records went into it.
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_TRUE(fs::exists(target / "Install.log"));
  // The product's files were installed into it.
  for (const char* name : {"readme.txt", "data.bin"})
    EXPECT_EQ(ReadAll(target / name), ReadAll(target.parent_path() / "files" / name)) << name;
}

// Cancelling on each page, one scenario per page: each run is driven through several windows, and
// side by side with the other scenarios one page's run may take a minute.
class WizardCancel : public ::testing::TestWithParam<Step> {};

TEST_P(WizardCancel, EndsWithTwelveAndWritesNothing) {
  const Step step = GetParam();
  const std::string letter(1, static_cast<char>('a' + step));
  fs::path target;
  const ExitCode r = RunDriven("wizard-cancel-" + std::to_string(step), step, target, "C" + letter, "K" + letter);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 12u);
  // Before the folder is accepted nothing exists; after it, only the empty folder.
  if (step <= kFolder) EXPECT_FALSE(fs::exists(target));
  else EXPECT_TRUE(fs::is_empty(target));
}

std::string PageName(const ::testing::TestParamInfo<Step>& info) {
  static const char* const kNames[] = {"Language", "Greeting", "Password", "Licence", "Readme", "Folder", "StartMenu"};
  return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Wizard, WizardCancel,
                         ::testing::Values(kLanguage, kGreeting, kPassword, kLicence, kReadme, kFolder, kStartMenu),
                         PageName);

TEST(Wizard, GreetingStyleZeroIsAMessageBoxAndSilentRunsShowNothing) {
  const fs::path dir = ScratchDir("wizard-greeting-box");
  mvpack::Project p = SmallProject(dir);
  p.settings.GreetingDlgStyle = 0;
  p.lists.Languages = {MakeLanguage(u"English", "G")};
  const Built b = Build(p, dir / "greeting.exe");
  {
    WindowsRun run(b.path, "", 120, dir);
    // One language: no language page; the greeting in the own message box, OK and text 49.
    ToolResult box = Ui({"list", "--title", "G65", "--holding", "G1", "--timeout", "30000"});
    ASSERT_EQ(box.status, 0) << box.output;
    EXPECT_NE(box.output.find("1\tButton\tOK"), std::string::npos) << box.output;
    EXPECT_NE(box.output.find("2\tButton\tG49"), std::string::npos) << box.output;
    Click("G65", 2);
    ASSERT_EQ(Ui({"find", "--title", "G111", "--timeout", "20000"}).status, 0);
    Click("G111", 1);
    const ExitCode r = run.Wait();
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 12u);
  }
  // With a password too, a silent run can ask nothing and ends as cancelled; without one it
  // installs without any window.
  const ExitCode silent = RunWindows(b.path, "/silent", 60, dir);
  EXPECT_EQ(silent.code, 0u);
  p.settings.InstallPassword = u"x";
  const Built locked = Build(p, dir / "locked.exe");
  const ExitCode refused = RunWindows(locked.path, "/silent", 60, dir);
  EXPECT_EQ(refused.code, 12u);
}

}  // namespace
}  // namespace mve2e
