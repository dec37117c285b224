#include "engine/completion_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/real_text.h"
#include "base/text.h"
#include "package/corrupt.h"

namespace mv {
namespace {

using Form = UninstallValueForm;

}  // namespace

void PrintTo(const UninstallValue& v, std::ostream* os) {
  *os << Utf16ToUtf8(v.name) << " form " << static_cast<int>(v.form) << " text \"" << Utf16ToUtf8(v.text)
      << "\" text8 \"" << v.text8 << "\" number " << v.number;
}

namespace {

const UninstallValue* Find(const std::vector<UninstallValue>& values, std::u16string_view name) {
  const auto it = std::find_if(values.begin(), values.end(), [&](const UninstallValue& v) { return v.name == name; });
  return it == values.end() ? nullptr : &*it;
}

std::vector<std::string> Names(const std::vector<UninstallValue>& values) {
  std::vector<std::string> names;
  for (const UninstallValue& v : values) names.push_back(Utf16ToUtf8(v.name));
  return names;
}

Settings FullSettings() {
  Settings s;
  s.ProductFlags = kFlagUninstaller | kFlagDialogColours | kFlagBackgroundPicture | (1ull << 63);
  s.DisplayName = u"Product";
  s.UninstallKeyName = u"Product Key";
  s.Publisher = u"Maker";
  s.Bitness = 1;
  s.DisplayVersion = "3.12.5";
  s.NoDowngradeBelow = "2.0";
  s.ProductRegistry = u"Maker\\Product";
  s.UninstallBatch1 = "echo 1";
  s.UninstallBatch2 = "echo 2";
  s.UninstallSubdir = u"uninst";
  s.AddToPathSubfolder = u"bin";
  s.ShortcutMode = 2;
  s.NotifyURL = "http://notify.invalid/";
  s.DesktopFolder = u"Desk";
  s.UninstallFonts = 1;
  s.UninstallShared = 2;
  s.ProgressStyle = 3;
  s.FeedbackURL = u"http://feedback.invalid/";
  s.TaskbarText = u"Taskbar";
  s.DialogFont = u"Tahoma";
  s.BannerFG = 0x00332211;  // red 11, green 22, blue 33
  s.DialogFG = 0x00ABCDEF;
  s.DialogBG = 0x00000001;
  s.ButtonBG = 0x00FF0000;
  s.ButtonFG = 0x0000FF00;
  s.ButtonBorder = 0x000000FF;
  s.DialogZoom = 125;
  s.DisplayTitle = u"Title";
  s.TitleColor = 0x00123456;
  s.TitleSize = 14.5;
  s.TopColor = 1;
  s.BottomColor = 2;
  s.TitleShadow = 1;
  s.TitlePosition = 2;
  s.TitleFont = u"Arial";
  s.CopyrightText = u"(c)";
  s.CopyrightFont = u"Verdana";
  s.CopyrightSize = 0.25;
  s.CopyrightColor = 0x00C0FFEE;
  s.CopyrightPos = 3;
  s.BackgroundBitmap = Bytes{'B', 'M'};
  s.BitmapSize = 80;
  s.BitmapTPI = 96;
  s.StretchMode = 1;
  return s;
}

UninstallFacts FullFacts() {
  UninstallFacts f;
  f.uninstaller_path = u"C:\\P\\uninst\\uninstall.exe";
  f.installer_path = u"C:\\dl\\setup.exe";
  f.product_icon_path = u"C:\\P\\uninst\\product.ico";
  f.start_menu_folder = u"Product";
  f.shared_folder = u"C:\\Common\\Maker";
  f.product_fonts = "\"Face\" \"face.ttf\" ";
  f.shared_files = "\"|C:\\x.dll\"";
  f.support_offer = "offer";
  f.session = 0x1122334455667788ull;
  f.language_name = u"English";
  f.bytes_written = 10 * 1024 + 1023;
  return f;
}

TEST(UninstallValues, EveryValueInItsOrderAndForm) {
  const auto values = UninstallValues(FullSettings(), kFlags2ButtonColours | 0x80000000u, FullFacts());
  const std::vector<std::string> expected_order = {
      "UninstallString", "QuietUninstallString", "DisplayName", "InstallSource", "Publisher", "Bitness",
      "DisplayVersion", "NoDowngradeBelow", "DisplayIcon", "VersionMajor", "VersionMinor", "ProductRegistry",
      "ProductStartMenu", "SharedPath", "ProductFonts", "ProductFlags", "ProductFlags2", "UninstallBatch1",
      "UninstallBatch2", "SharedFiles", "UninstallSubdir", "AddToPathSubfolder", "ShortcutMode", "NotifyURL",
      "SupportOffer", "DesktopFolder", "UninstallFonts", "UninstallShared", "Session", "Language",
      "ProgressStyle", "FeedbackURL", "EstimatedSize", "TaskbarText", "DialogFont", "BannerFG", "DialogFG",
      "DialogBG", "ButtonBG", "ButtonFG", "ButtonBorder", "DialogZoom", "DisplayTitle", "TitleColor",
      "TitleSize", "TopColor", "BottomColor", "MonoColor", "TitleShadow", "TitlePosition", "TitleFont",
      "CopyrightText", "CopyrightFont", "CopyrightSize", "CopyrightColor", "CopyrightPos", "BitmapSize",
      "BitmapTPI", "StretchMode"};
  EXPECT_EQ(Names(values), expected_order);

  struct Row {
    const char16_t* name;
    Form form;
    std::u16string text;
    std::string text8;
    std::uint64_t number;
  } rows[] = {
      {u"UninstallString", Form::kText, u"\"C:\\P\\uninst\\uninstall.exe\" /u:\"Product Key\"", "", 0},
      {u"QuietUninstallString", Form::kText, u"\"C:\\P\\uninst\\uninstall.exe\" /a /u:\"Product Key\"", "", 0},
      {u"DisplayName", Form::kText, u"Product", "", 0},
      {u"InstallSource", Form::kText, u"C:\\dl\\setup.exe", "", 0},
      {u"Bitness", Form::kNumber, u"", "", 1},
      {u"DisplayVersion", Form::kText8, u"", "3.12.5", 0},
      {u"DisplayIcon", Form::kText, u"C:\\P\\uninst\\product.ico", "", 0},
      {u"VersionMajor", Form::kNumber, u"", "", 3},
      {u"VersionMinor", Form::kNumber, u"", "", 12},
      {u"ProductFonts", Form::kText8, u"", "\"Face\" \"face.ttf\" ", 0},
      // Bit 63 makes the signed 64-bit text negative; the second word is unsigned.
      {u"ProductFlags", Form::kText8, u"", "-9223372036854743020", 0},
      {u"ProductFlags2", Form::kText8, u"", "2181038080", 0},
      {u"ShortcutMode", Form::kNumber, u"", "", 2},
      {u"Session", Form::kQword, u"", "", 0x1122334455667788ull},
      {u"Language", Form::kText, u"English", "", 0},
      {u"EstimatedSize", Form::kNumber, u"", "", 10},  // whole KiB, rounded down
      {u"BannerFG", Form::kText8, u"", "112233", 0},
      {u"DialogFG", Form::kText8, u"", "EFCDAB", 0},
      {u"ButtonBorder", Form::kText8, u"", "FF0000", 0},
      {u"TitleColor", Form::kNumber, u"", "", 0x00123456},
      {u"TitleSize", Form::kText8, u"", "14.5", 0},
      {u"BottomColor", Form::kNumber, u"", "", 2},
      {u"MonoColor", Form::kNumber, u"", "", 0},
      {u"CopyrightSize", Form::kText8, u"", "0.25", 0},
      {u"CopyrightColor", Form::kText8, u"", "EEFFC0", 0},
      {u"BitmapTPI", Form::kNumber, u"", "", 96},
  };
  for (const Row& r : rows) {
    const UninstallValue* v = Find(values, r.name);
    ASSERT_NE(v, nullptr) << Utf16ToUtf8(r.name);
    EXPECT_EQ(*v, (UninstallValue{r.name, r.form, r.text, r.text8, r.number})) << Utf16ToUtf8(r.name);
  }
}

TEST(UninstallValues, EmptyValuesAndAbsentGroupsAreDeletedOrLeftOut) {
  Settings s;  // every optional text empty, no icon, no colour groups, one colour for the background
  s.ProductFlags = kFlagUninstaller;
  s.DisplayName = u"P";
  s.UninstallKeyName = u"P";
  s.DisplayVersion = "7";
  UninstallFacts f;
  f.uninstaller_path = u"C:\\P\\u.exe";
  f.bytes_written = (std::uint64_t{1} << 32) * 1024;  // does not fit in 32 bits
  const auto values = UninstallValues(s, 0, f);
  for (const char16_t* name :
       {u"Publisher", u"NoDowngradeBelow", u"ProductRegistry", u"ProductStartMenu", u"SharedPath", u"ProductFonts",
        u"UninstallBatch1", u"UninstallBatch2", u"SharedFiles", u"UninstallSubdir", u"AddToPathSubfolder",
        u"ShortcutMode", u"NotifyURL", u"SupportOffer", u"DesktopFolder", u"Language", u"FeedbackURL",
        u"EstimatedSize", u"BottomColor", u"BitmapSize", u"BitmapTPI", u"StretchMode"}) {
    const UninstallValue* v = Find(values, name);
    ASSERT_NE(v, nullptr) << Utf16ToUtf8(name);
    EXPECT_EQ(v->form, Form::kDelete) << Utf16ToUtf8(name);
  }
  for (const char16_t* name : {u"DisplayIcon", u"VersionMajor", u"VersionMinor", u"DialogFG", u"DialogBG",
                               u"ButtonBG", u"ButtonFG", u"ButtonBorder"})
    EXPECT_EQ(Find(values, name), nullptr) << Utf16ToUtf8(name);
  EXPECT_EQ(Find(values, u"MonoColor")->number, 1u);
  EXPECT_EQ(Find(values, u"DisplayVersion")->text8, "7");

  // Without the background window its whole group is left alone; the bitmap's rows are still deleted.
  s.ProductFlags |= kFlagNoBackgroundWindow;
  const auto without = UninstallValues(s, 0, f);
  for (const char16_t* name : {u"DisplayTitle", u"TitleColor", u"MonoColor", u"CopyrightPos"})
    EXPECT_EQ(Find(without, name), nullptr) << Utf16ToUtf8(name);
  EXPECT_EQ(Find(without, u"BitmapSize")->form, Form::kDelete);

  // A bitmap without its own resolution deletes only "BitmapTPI".
  s.ProductFlags |= kFlagBackgroundPicture;
  s.BackgroundBitmap = Bytes{'B', 'M'};
  const auto bitmap = UninstallValues(s, 0, f);
  EXPECT_EQ(Find(bitmap, u"BitmapSize")->form, Form::kNumber);
  EXPECT_EQ(Find(bitmap, u"BitmapTPI")->form, Form::kDelete);
  EXPECT_EQ(Find(bitmap, u"StretchMode")->form, Form::kNumber);
}

TEST(UninstallValues, VersionNumbers) {
  struct Case {
    const char* version;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> expected;
  } cases[] = {
      {"3.12.5", std::pair{3u, 12u}},
      {"7", std::nullopt},
      {"", std::nullopt},
      {"2.0b", std::pair{2u, 0u}},
      {"v2.x", std::pair{0u, 0u}},
      {".5", std::pair{0u, 5u}},
      {"99999999999.1", std::pair{0xFFFFFFFFu, 1u}},
  };
  for (const Case& c : cases) EXPECT_EQ(VersionMajorMinor(c.version), c.expected) << c.version;
}

TEST(UninstallValues, TextForms) {
  EXPECT_EQ(ColourText(0x00000000), "000000");
  EXPECT_EQ(ColourText(0xFF0A0B0C), "0C0B0A");  // the high byte is not a colour
  EXPECT_EQ(RealText(12), "12");
  EXPECT_EQ(RealText(0.1), "0.1");
  EXPECT_EQ(InstallDateText(2026, 3, 7), "20260307");
  EXPECT_EQ(UninstallArguments(u"A \"B\""), u"/u:\"A \"B\"\"");
}

TEST(ExtraUninstallValues, KindsAndPlaces) {
  struct Case {
    const char16_t* name;
    std::uint8_t kind;
    const char16_t* value;
    ExtraValuePlan expected;
  } cases[] = {
      {u"Comments", 1, u"hi", {u"", u"Comments", Form::kText, false, u"hi", 0}},
      {u"Comments", 1, u"", {u"", u"Comments", Form::kDelete, false, u"", 0}},
      {u"Help", 2, u"%TEMP%\\x", {u"", u"Help", Form::kText, true, u"%TEMP%\\x", 0}},
      {u"Help", 2, u"", {u"", u"Help", Form::kDelete, true, u"", 0}},
      {u"NoModify", 4, u"1", {u"", u"NoModify", Form::kNumber, false, u"", 1}},
      {u"NoModify", 4, u"x", {u"", u"NoModify", Form::kNumber, false, u"", 0}},
      {u"\\HKLM\\Software\\Maker\\Size", 4, u"4096",
       {u"\\HKLM\\Software\\Maker", u"Size", Form::kNumber, false, u"", 4096}},
  };
  for (const Case& c : cases) {
    const ExtraValuePlan plan = PlanExtraValue(c.name, c.kind, c.value);
    EXPECT_EQ(plan.key, c.expected.key) << Utf16ToUtf8(c.name);
    EXPECT_EQ(plan.value_name, c.expected.value_name);
    EXPECT_EQ(plan.form, c.expected.form) << Utf16ToUtf8(c.name) << " kind " << int(c.kind);
    EXPECT_EQ(plan.expandable, c.expected.expandable);
    EXPECT_EQ(plan.text, c.expected.text);
    EXPECT_EQ(plan.number, c.expected.number);
  }
  for (const std::uint8_t bad : {0, 3, 5, 255}) {
    try {
      PlanExtraValue(u"X", bad, u"1");
      ADD_FAILURE() << "kind " << int(bad) << " accepted";
    } catch (const CorruptPackage& e) {
      EXPECT_EQ(e.code(), 200);
    }
  }
}

Bytes Utf16Bytes(std::u16string_view text, bool bom) {
  Bytes b;
  if (bom) b = {0xFF, 0xFE};
  for (char16_t c : text) b.push_back(static_cast<std::uint8_t>(c)), b.push_back(static_cast<std::uint8_t>(c >> 8));
  return b;
}

TEST(SavedTexts, NamesNumberAndExtension) {
  const Bytes plain = Utf16Bytes(u"text", false);
  const Bytes rich = {'{', '\\', 'r', 't', 'f', '1', '}'};
  using Names = std::vector<std::optional<std::u16string>>;
  struct Case {
    std::vector<Bytes> entries;
    Names expected;
  } cases[] = {
      {{plain}, {u"readme.txt"}},
      {{rich}, {u"readme.rtf"}},
      {{plain, rich}, {u"readme1.txt", u"readme2.rtf"}},
      {{{}, plain}, {std::nullopt, u"readme.txt"}},
      // The first saved text is not the list's last: numbered although it is the only one.
      {{plain, {}}, {u"readme1.txt", std::nullopt}},
      {{plain, {}, plain}, {u"readme1.txt", std::nullopt, u"readme2.txt"}},
      {{}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SavedTextNames(c.entries, u"readme"), c.expected);
  EXPECT_EQ(SavedTextNames({plain, plain}, u"eula"), (Names{u"eula1.txt", u"eula2.txt"}));
}

TEST(SavedTexts, PlainTextGetsOneByteOrderMarkRichTextStaysAsStored) {
  EXPECT_EQ(SavedTextBytes(Utf16Bytes(u"Hi", false)), Utf16Bytes(u"Hi", true));
  EXPECT_EQ(SavedTextBytes(Utf16Bytes(u"Hi", true)), Utf16Bytes(u"Hi", true));
  Bytes odd = Utf16Bytes(u"Hi", false);
  odd.push_back('x');  // a stray last byte is no character
  EXPECT_EQ(SavedTextBytes(odd), Utf16Bytes(u"Hi", true));
  const Bytes rich = {0xEF, 0xBB, 0xBF, '{', '\\', 'r', 't', 'f', '}'};
  EXPECT_EQ(SavedTextBytes(rich), rich);
}

TEST(Ending, RestartDecisionAndExitCode) {
  struct Case {
    RestartFacts facts;
    RestartAction expected;
  } cases[] = {
      {{false, false, false, false}, RestartAction::kNone},
      {{false, true, true, false}, RestartAction::kNone},
      {{true, false, false, false}, RestartAction::kAsk},
      {{true, true, true, false}, RestartAction::kAsk},      // the product asks in automatic runs too
      {{true, true, false, false}, RestartAction::kRestart},  // automatic: restart without a question
      {{true, true, false, true}, RestartAction::kNone},      // /norestart
      {{true, false, false, true}, RestartAction::kNone},
      {{true, true, true, true}, RestartAction::kNone},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DecideRestart(c.facts), c.expected) << c.facts.pending << c.facts.automatic << c.facts.ask_always
                                                   << c.facts.no_restart;
  EXPECT_TRUE(RestartConfirmed(true, false));
  EXPECT_FALSE(RestartConfirmed(false, false));

  EXPECT_EQ(CompletionExitCode(false, false), 0);
  EXPECT_EQ(CompletionExitCode(false, true), 17);
  EXPECT_EQ(CompletionExitCode(true, true), 16);
  EXPECT_EQ(CompletionExitCode(true, false), 16);
}

TEST(Ending, FoldersWithOnlyShellFilesCountAsEmpty) {
  EXPECT_TRUE(CountsAsEmptyFolder({}));
  EXPECT_TRUE(CountsAsEmptyFolder({u"Thumbs.db", u"DESKTOP.INI"}));
  EXPECT_FALSE(CountsAsEmptyFolder({u"desktop.ini", u"readme.txt"}));
  EXPECT_FALSE(CountsAsEmptyFolder({u"thumbs.db.bak"}));
}

}  // namespace
}  // namespace mv
