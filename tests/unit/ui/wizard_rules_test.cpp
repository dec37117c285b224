#include "ui/wizard_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mv {
namespace {

std::string N(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(WizardTemplates, StyleIndexChoosesTheTemplate) {
  struct Case {
    PageKind kind;
    int index;
    const char16_t* name;
  } cases[] = {
      {PageKind::kLicense, 0, u"LicenseDlg2"},   {PageKind::kLicense, 1, u"LicenseDlg"},
      {PageKind::kLicense, 2, u"LicenseDlg3"},   {PageKind::kLicense, 3, u"LicenseDlg4"},
      {PageKind::kLicense, 7, u"LicenseDlg3"},   {PageKind::kLicense, -1, u"LicenseDlg3"},
      {PageKind::kProgress, 0, u"ProgressDlg2"}, {PageKind::kSummary, 99, u"SummaryDlg3"},
      {PageKind::kLanguage, 3, u"LanguageDlg4"}, {PageKind::kChooseDir, 1, u"ChooseDirDlg"},
      // The greeting: 0 is a message box, 2 and unknown indexes the banner template.
      {PageKind::kGreeting, 0, u""},             {PageKind::kGreeting, 1, u"GreetingDlg"},
      {PageKind::kGreeting, 2, u"GreetingDlg3"}, {PageKind::kGreeting, 5, u"GreetingDlg3"},
      {PageKind::kGreeting, 3, u"GreetingDlg4"},
  };
  for (const auto& c : cases) EXPECT_EQ(TemplateName(c.kind, c.index), c.name) << c.index;
  EXPECT_TRUE(GreetingIsMessageBox(0));
  EXPECT_FALSE(GreetingIsMessageBox(2));
  EXPECT_EQ(StyleOfIndex(4), PageStyle::kBanner);
}

TEST(WizardTemplates, DialogFontFollowsTheZoom) {
  struct Case {
    int zoom, points;
  } cases[] = {{100, 10}, {0, 10}, {-5, 10}, {1, 5}, {49, 5}, {125, 13}, {124, 12}, {150, 15}, {400, 15}, {84, 8}};
  for (const auto& c : cases) EXPECT_EQ(DialogPointSize(c.zoom), c.points) << c.zoom;
}

TEST(StartMenuText, ForbiddenCharactersAndBackslashes) {
  struct Case {
    const char16_t* text;
    bool ok;
  } cases[] = {
      {u"My Product", true},  {u"Vendor\\My Product", true}, {u"", true},
      {u"My:Product", false}, {u"a/b", false},               {u"a\"b", false},
      {u"a<b", false},        {u"a>b", false},               {u"a|b", false},
      {u"a*b", false},        {u"a?b", false},               {u"a;b", false},
      {u"\\Product", false},  {u"Vendor\\\\Product", false}, {u"Product\\", true},
  };
  for (const auto& c : cases) EXPECT_EQ(StartMenuTextAcceptable(c.text), c.ok) << N(c.text);
}

FolderCheckFacts Facts() {
  FolderCheckFacts f;
  f.protected_folders = {u"C:\\users\\Public\\Desktop", u"C:\\users\\me\\Desktop", u"C:\\users\\me"};
  f.program_files = u"C:\\Program Files (x86)";
  f.program_files_64 = u"C:\\Program Files";
  return f;
}

TEST(FolderAcceptance, RefusalsInTheirOrder) {
  struct Case {
    const char* what;
    const char16_t* typed;
    FolderCheckFacts facts;
    std::optional<FolderRefusal> refusal;
  };
  FolderCheckFacts no_drive = Facts();
  no_drive.drive_exists = false;
  FolderCheckFacts network = Facts();
  network.refuse_network = true;
  FolderCheckFacts mapped = network;
  mapped.drive_type = 4;
  FolderCheckFacts cd = Facts();
  cd.drive_type = 5;
  FolderCheckFacts removable = Facts();
  removable.drive_type = 2;
  FolderCheckFacts refuse_removable = removable;
  refuse_removable.refuse_removable = true;
  FolderCheckFacts read_only = Facts();
  read_only.read_only_volume = true;
  FolderCheckFacts ascii = Facts();
  ascii.ascii_only = true;
  const Case cases[] = {
      {"accepted", u"C:\\Program Files\\Product", Facts(), std::nullopt},
      {"root trimmed to C:", u"C:\\", Facts(), FolderRefusal{17, u"C:"}},
      {"short", u"D:\\a", Facts(), std::nullopt},
      {"relative", u"Product", Facts(), FolderRefusal{14, u"Product"}},
      {"drive-relative", u"C:Product", Facts(), FolderRefusal{14, u"C:Product"}},
      {"bad character", u"C:\\Pro?duct", Facts(), FolderRefusal{14, u"C:\\Pro?duct"}},
      {"double backslash", u"C:\\a\\\\b", Facts(), FolderRefusal{14, u"C:\\a\\\\b"}},
      {"desktop itself", u"c:\\USERS\\me\\desktop", Facts(), FolderRefusal{14, u"c:\\USERS\\me\\desktop"}},
      {"inside the profile", u"C:\\users\\me\\Tools", Facts(), FolderRefusal{14, u"C:\\users\\me\\Tools"}},
      {"name sharing a prefix", u"C:\\users\\meadow", Facts(), std::nullopt},
      {"missing drive wins over length", u"Q:", no_drive, FolderRefusal{16, u"Q:"}},
      {"UNC allowed", u"\\\\server\\share\\Product", Facts(), std::nullopt},
      {"UNC refused", u"\\\\server\\share\\Product", network, FolderRefusal{66, u"\\\\server\\share\\Product"}},
      {"UNC without share", u"\\\\server", Facts(), FolderRefusal{14, u"\\\\server"}},
      {"network drive refused", u"N:\\Product", mapped, FolderRefusal{66, u"N:\\Product"}},
      {"Program Files itself", u"C:\\program files (x86)", Facts(), FolderRefusal{18, u"C:\\Program Files (x86)"}},
      {"64-bit Program Files itself", u"C:\\Program Files", Facts(), FolderRefusal{18, u"C:\\Program Files"}},
      {"CD-ROM", u"E:\\Product", cd, FolderRefusal{96, u"E:"}},
      {"read-only volume", u"E:\\Product", read_only, FolderRefusal{96, u"E:"}},
      {"removable allowed", u"F:\\Product", removable, std::nullopt},
      {"removable refused", u"F:\\Product", refuse_removable, FolderRefusal{96, u"F:"}},
      {"non-ASCII allowed", u"C:\\Pr\u00f6dukt", Facts(), std::nullopt},
      {"non-ASCII refused", u"C:\\Pr\u00f6dukt", ascii, FolderRefusal{30, u"C:\\Pr\u00f6dukt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto r = RefuseFolder(TrimFolderText(c.typed), c.facts);
    ASSERT_EQ(r.has_value(), c.refusal.has_value());
    if (r) EXPECT_EQ(*r, *c.refusal) << r->text_number << " " << N(r->argument);
  }
}

TEST(FolderAcceptance, TrimmingAndMessages) {
  EXPECT_EQ(TrimFolderText(u"  C:\\Product\\  "), u"C:\\Product");
  EXPECT_EQ(TrimFolderText(u"C:\\Product\\\\"), u"C:\\Product\\");  // one backslash only
  EXPECT_EQ(TrimFolderText(u" \\ "), u"");
  EXPECT_EQ(FolderMessage({14, u"C:\\x|y"}, u"Invalid folder."), u"Invalid folder.\r\n\r\nC:\\x|y");
  EXPECT_EQ(FolderMessage({16, u"Q:"}, u"Drive %s is not ready."), u"Drive Q: is not ready.");
  // A language text is never a trusted format: a stray directive stays literal.
  EXPECT_EQ(FolderMessage({17, u"C:"}, u"100%% %d %s"), u"100% %d C:");
}

TEST(FolderAcceptance, SizeText) {
  struct Case {
    long long bytes;
    const char16_t* text;
  } cases[] = {{-7, u"0 bytes"}, {800, u"800 bytes"}, {1536, u"2 KB"}, {5 * 1048576LL + 104858, u"5.1 MB"},
               {3LL << 30, u"3.0 GB"}};
  for (const auto& c : cases) EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
}

Bytes Utf16Bytes(std::u16string_view s, bool bom) {
  Bytes b;
  if (bom) b = {0xFF, 0xFE};
  for (char16_t c : s) b.push_back(c & 0xFF), b.push_back(c >> 8);
  return b;
}

TEST(PageTextsTest, RichAndPlainEntriesAndTheLanguageText) {
  const std::string rtf = "{\\rtf1 Hello}";
  Bytes with_bom = {0xEF, 0xBB, 0xBF};
  with_bom.insert(with_bom.end(), rtf.begin(), rtf.end());
  const std::vector<Bytes> stored = {Utf16Bytes(u"Plain licence", true), {}, with_bom,
                                     Utf16Bytes(u"", true), Utf16Bytes(u"Second", false)};
  const auto pages = PageTexts(stored, u"From the language");
  ASSERT_EQ(pages.size(), 4u);
  EXPECT_FALSE(pages[0].rich);
  EXPECT_EQ(pages[0].text, u"Plain licence");
  EXPECT_TRUE(pages[1].rich);
  EXPECT_EQ(std::string(pages[1].rtf.begin(), pages[1].rtf.end()), rtf);  // mark skipped
  EXPECT_EQ(pages[2].text, u"Second");
  EXPECT_EQ(pages[3].text, u"From the language");
  EXPECT_TRUE(PageTexts({}, u"{\\rtf1 x}")[0].rich);
  EXPECT_TRUE(PageTexts({}, u"").empty());
  // An odd trailing byte and a text merely mentioning the marker later.
  EXPECT_EQ(DecodePageText(Bytes{'A', 0, 'B'}).text, u"A");
  EXPECT_FALSE(IsRichText(Bytes{' ', '{', '\\', 'r', 't', 'f'}));
  EXPECT_FALSE(IsRichText(Bytes{'{', '\\', 'r', 't'}));
}

TEST(PageTextsTest, GreetingLink) {
  EXPECT_EQ(GreetingLinkText(u"See <a>our site</a> or <a>here</a>", u"https://example.test/p?a=1"),
            u"See <a href=\"https://example.test/p?a=1\">our site</a> or <a>here</a>");
  EXPECT_EQ(GreetingLinkText(u"No link", u"https://x.test"), u"No link");
}

TEST(HeadingTest, CentredWhenItFitsElseFromTheCorner) {
  const Rect control{10, 20, 210, 60};
  EXPECT_EQ(HeadingTextRect(control, {100, 20}), (Rect{60, 30, 160, 50}));
  EXPECT_EQ(HeadingTextRect(control, {200, 40}), control);
  EXPECT_EQ(HeadingTextRect(control, {100, 50}), (Rect{10, 20, 110, 70}));
  EXPECT_EQ(HeadingTextRect(control, {250, 10}), (Rect{10, 20, 260, 30}));
}

TEST(SummaryLayout, BoxesByStyleAndCondition) {
  const SummaryConditions all{true, true, true, true};
  auto ids = [](const std::vector<CheckBoxPlace>& p) {
    std::vector<int> r;
    for (const auto& b : p) r.push_back(b.id);
    return r;
  };
  const auto plain = SummaryCheckBoxes(0, all);
  EXPECT_EQ(ids(plain), (std::vector<int>{1025, 1023, 1029, 1027}));
  EXPECT_EQ(plain[0], (CheckBoxPlace{1025, 84, Rect{12, 60, 275, 69}}));
  EXPECT_EQ(plain[3], (CheckBoxPlace{1027, 85, Rect{12, 102, 275, 111}}));
  // Style 0 moves down 7 units per absent box; the others start at their fixed place.
  const SummaryConditions two{false, true, false, true};
  const auto plain_two = SummaryCheckBoxes(0, two);
  EXPECT_EQ(ids(plain_two), (std::vector<int>{1023, 1027}));
  EXPECT_EQ(plain_two[0].at, (Rect{12, 74, 275, 83}));
  EXPECT_EQ(plain_two[1].at, (Rect{12, 88, 275, 97}));
  for (int style : {1, 3}) EXPECT_EQ(SummaryCheckBoxes(style, two)[0].at, (Rect{98, 72, 275, 81}));
  for (int style : {2, 9}) EXPECT_EQ(SummaryCheckBoxes(style, two)[1].at, (Rect{20, 96, 275, 105}));
  EXPECT_TRUE(SummaryCheckBoxes(1, {}).empty());
}

TEST(LanguagePage, PreSelection) {
  const std::vector<std::u16string> names = {u"Deutsch", u"English", u"Fran\u00e7ais"};
  struct Case {
    const char16_t* native;
    int index;
  } cases[] = {{u"Fran\u00e7ais (France)", 2}, {u"Deutsch  (Schweiz)", 0}, {u"Deutsch", 0},
               {u"Suomi", 1},                  {u"", 1},                    {u"deutsch", 1}};
  for (const auto& c : cases) EXPECT_EQ(PreselectLanguage(names, c.native), c.index) << N(c.native);
  EXPECT_EQ(PreselectLanguage({u"Deutsch", u"Italiano"}, u"Suomi"), 0);
  EXPECT_EQ(PreselectLanguage({}, u"Suomi"), 0);
}

TEST(ProgressPlacement, PlacementWordBits) {
  const Rect area{0, 0, 1000, 800};
  const Rect dialog = RectAt(100, 50, 300, 200);
  struct Case {
    std::uint32_t word;
    int x, y;
  } cases[] = {{0, 100, 50},  {1, 0, 50},    {2, 700, 50},  {3, 350, 50}, {8, 100, 0},
               {16, 100, 600}, {24, 100, 300}, {3 | 24, 350, 300}, {2 | 16, 700, 600}, {4 | 32, 100, 50}};
  for (const auto& c : cases) EXPECT_EQ(PlaceProgress(dialog, area, c.word), RectAt(c.x, c.y, 300, 200)) << c.word;
}

}  // namespace
}  // namespace mv
