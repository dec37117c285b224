#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/text.h"

namespace mv {

// Readable failure output for option records.
void PrintTo(const RunOptions& o, std::ostream* os) {
  *os << "{a=" << o.AutomaticMode << " silent=" << o.SilentMode << " min=" << o.MinimizedBackground << " norestart=" << o.NoRestart
      << " u=" << o.UninstallMode << " uname=" << Utf16ToUtf8(o.UninstallProductName)
      << " d=" << Utf16ToUtf8(o.InstallDirOverride) << " dn=" << o.InstallDirOverrideNarrow
      << " n=" << Utf16ToUtf8(o.ProductNameOverride) << " r=" << Utf16ToUtf8(o.RunAfterInstall)
      << " b1=" << o.ExtraPreBatch << " b2=" << o.ExtraPostBatch << " b3=" << o.ExtraExitBatch << "}";
}

namespace {

ParsedCommandLine Parse(std::u16string_view args) {
  return ParseCommandLine(u"setup.exe " + std::u16string(args), Utf16ToCp1252);
}

std::string U8(std::u16string_view s) { return Utf16ToUtf8(s); }

TEST(CommandLineSplit, Atoms) {
  struct Case {
    std::u16string line;
    std::vector<std::u16string> atoms;
  } cases[] = {
      {u"", {}},
      {u"setup.exe", {}},
      {u"   setup.exe   ", {}},
      {u"\"C:\\Program Files\\My App\\setup.exe\" /a", {u"/a"}},
      {u"\"C:\\Program Files\\setup.exe\"/a -b", {u"-b"}},  // the path atom continues after its quotes
      {u" \t setup.exe  /a\t-b\r\n/c\n", {u"/a", u"-b", u"/c"}},
      {u"x /d:\"C:\\a b\\\" /n", {u"/d:\"C:\\a b\\\"", u"/n"}},
      {u"x /n:\"say \"\"hi\"\"\"", {u"/n:\"say \"hi\"\""}},
      {u"x /r:\"a b\"c d", {u"/r:\"a b\"c", u"d"}},
      {u"x a\"b c\"d e", {u"a\"b c\"d", u"e"}},
      {u"x \"\" /a", {u"\"\"", u"/a"}},
      {u"x \"\"\"\" /a", {u"\"\"\"", u"/a"}},  // "" inside the section is one quote
      {u"x \"", {u"\""}},                     // lone quote at the end
      {u"x /n:\"a b", {u"/n:\"a b"}},          // unterminated section runs to the end
      {u"\"C:\\setup.exe /a /b", {}},          // ...even in the program path
      {u"x /a\"", {u"/a\""}},
      {std::u16string(u"x /a\0/b /c", 10), {u"/a"}},  // the system's command line ends at NUL
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.line));
    EXPECT_EQ(SplitCommandLine(c.line), c.atoms);
  }
}

TEST(CommandLineSplit, OnlyNineteenAtomsAfterTheProgramPath) {
  std::u16string line = u"setup.exe";
  for (int i = 1; i <= 25; ++i) line += u" /" + Utf8ToUtf16(std::to_string(i));
  const auto atoms = SplitCommandLine(line);
  ASSERT_EQ(atoms.size(), 19u);
  EXPECT_EQ(atoms.front(), u"/1");
  EXPECT_EQ(atoms.back(), u"/19");

  std::u16string nineteen;
  for (int i = 0; i < 19; ++i) nineteen += u"/MIN ";
  // The twentieth atom is ignored without a message; the nineteenth is still read.
  const auto ignored = Parse(nineteen + u"/bogus");
  EXPECT_FALSE(ignored.usage_error);
  EXPECT_TRUE(ignored.options.MinimizedBackground);
  std::u16string eighteen;
  for (int i = 0; i < 18; ++i) eighteen += u"/MIN ";
  EXPECT_EQ(Parse(eighteen + u"/bogus").usage_error, u"Illegal command-line atom:\r\n/bogus");
}

TEST(CommandLineParse, Switches) {
  auto opts = [](auto&& set) {
    RunOptions o;
    set(o);
    return o;
  };
  struct Case {
    std::u16string args;
    RunOptions expected;
  } cases[] = {
      {u"", {}},
      {u"/", {}},  // a bare prefix is passed over
      {u"-", {}},
      {u"/a", opts([](RunOptions& o) { o.AutomaticMode = true; })},
      {u"-a", opts([](RunOptions& o) { o.AutomaticMode = true; })},
      {u"/A", opts([](RunOptions& o) { o.AutomaticMode = true; })},
      {u"/silent", opts([](RunOptions& o) { o.AutomaticMode = o.SilentMode = true; })},
      {u"-SILENT", opts([](RunOptions& o) { o.AutomaticMode = o.SilentMode = true; })},
      {u"/min", opts([](RunOptions& o) { o.MinimizedBackground = true; })},
      {u"/norestart", opts([](RunOptions& o) { o.NoRestart = true; })},
      {u"-NoRestart /silent", opts([](RunOptions& o) { o.NoRestart = o.AutomaticMode = o.SilentMode = true; })},
      // Not the product-name switch, which needs its colon.
      {u"/n:NoRestart", opts([](RunOptions& o) { o.ProductNameOverride = u"NoRestart"; })},
      {u"/a /MIN -Silent",
       opts([](RunOptions& o) { o.AutomaticMode = o.SilentMode = o.MinimizedBackground = true; })},
      {u"/d:\"C:\\Program Files\\App\\\"", opts([](RunOptions& o) {
         o.InstallDirOverride = u"C:\\Program Files\\App";
         o.InstallDirOverrideNarrow = "C:\\Program Files\\App";
       })},
      {u"-D:C:\\x\\\\", opts([](RunOptions& o) {  // one trailing backslash goes
         o.InstallDirOverride = u"C:\\x\\";
         o.InstallDirOverrideNarrow = "C:\\x\\";
       })},
      {u"/d:\"C:\\Pr\u00f6gramme\\\u65e5\"", opts([](RunOptions& o) {
         o.InstallDirOverride = u"C:\\Pr\u00f6gramme\\\u65e5";
         o.InstallDirOverrideNarrow = "|C:\\Pr\xC3\xB6gramme\\\xE6\x97\xA5";
       })},
      {u"/d:\"C:\\x", opts([](RunOptions& o) {  // unterminated: the opening quote stays
         o.InstallDirOverride = u"\"C:\\x";
         o.InstallDirOverrideNarrow = "\"C:\\x";
       })},
      {u"/d:\"", {}},
      {u"/d:\"\\\"", {}},
      {u"/n:Plain", opts([](RunOptions& o) { o.ProductNameOverride = u"Plain"; })},
      {u"/N:\"My \"\"Best\"\" App\"", opts([](RunOptions& o) { o.ProductNameOverride = u"My \"Best\" App"; })},
      {u"/n:a /n:b", opts([](RunOptions& o) { o.ProductNameOverride = u"b"; })},
      {u"/uMyApp", opts([](RunOptions& o) {
         o.UninstallMode = true;
         o.UninstallProductName = u"MyApp";
       })},
      {u"/u:\"MyApp\"", opts([](RunOptions& o) {
         o.UninstallMode = true;
         o.UninstallProductName = u"MyApp";
       })},
      {u"-U:\"My App 2\"", opts([](RunOptions& o) {
         o.UninstallMode = true;
         o.UninstallProductName = u"My App 2";
       })},
      {u"/Usomething", opts([](RunOptions& o) {  // any word after U is a product name
         o.UninstallMode = true;
         o.UninstallProductName = u"something";
       })},
      {u"/uninstall", opts([](RunOptions& o) {
         o.UninstallMode = true;
         o.UninstallProductName = u"ninstall";
       })},
      {u"/u::x", opts([](RunOptions& o) {  // only one colon is taken off
         o.UninstallMode = true;
         o.UninstallProductName = u":x";
       })},
      {u"/u /u:X", opts([](RunOptions& o) {  // the name may come later
         o.UninstallMode = true;
         o.UninstallProductName = u"X";
       })},
      {u"/u:X /u", opts([](RunOptions& o) {
         o.UninstallMode = true;
         o.UninstallProductName = u"X";
       })},
      {u"/r:\"C:\\Tools\\run.exe --title `a b`\"",
       opts([](RunOptions& o) { o.RunAfterInstall = u"C:\\Tools\\run.exe --title \"a b\""; })},
      {u"/R:\"x ~~ y", opts([](RunOptions& o) { o.RunAfterInstall = u"x ~~ y"; })},
      {u"/b1:\"echo `x`~~echo y\"", opts([](RunOptions& o) { o.ExtraPreBatch = "echo \"x\"\r\necho y"; })},
      {u"/B2:\"a~~~b\"", opts([](RunOptions& o) { o.ExtraPostBatch = "a\r\n~b"; })},
      {u"/b3:\"echo ``\"", opts([](RunOptions& o) { o.ExtraExitBatch = "echo \"\""; })},
      {u"/b1:\"caf\u00e9 \u20ac \u0100 \U0001F600\"",
       opts([](RunOptions& o) { o.ExtraPreBatch = "caf\xE9 \x80 ? ?"; })},
      {u"/b1:\"\"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.args));
    const ParsedCommandLine parsed = Parse(c.args);
    EXPECT_FALSE(parsed.usage_error) << U8(parsed.usage_error.value_or(u""));
    EXPECT_EQ(parsed.options, c.expected);
  }
}

TEST(CommandLineParse, RefusedCommandLines) {
  struct Case {
    std::u16string args;
    std::u16string message;
  } cases[] = {
      {u"/Automatic", u"Illegal command-line atom:\r\n/Automatic"},
      {u"-silentx", u"Illegal command-line atom:\r\n-silentx"},
      {u"/mini", u"Illegal command-line atom:\r\n/mini"},
      {u"/norestarts", u"Illegal command-line atom:\r\n/norestarts"},
      {u"/no-restart", u"Illegal command-line atom:\r\n/no-restart"},
      {u"/d", u"Illegal command-line atom:\r\n/d"},
      {u"/r:program.exe", u"Illegal command-line atom:\r\n/r:program.exe"},  // /r: needs its quote
      {u"/b1:echo", u"Illegal command-line atom:\r\n/b1:echo"},
      {u"/b4:\"x\"", u"Illegal command-line atom:\r\n/b4:\"x\""},
      {u"/a\"\"", u"Illegal command-line atom:\r\n/a\"\""},
      {u"plain", u"Unexpected command-line parameter:\r\nplain"},
      {u"/a plain /bogus", u"Unexpected command-line parameter:\r\nplain"},  // the first error wins
      {u"\"/a\"", u"Unexpected command-line parameter:\r\n\"/a\""},
      {u"\"", u"Unexpected command-line parameter:\r\n\""},
      {u"\\a", u"Unexpected command-line parameter:\r\n\\a"},
      {u"/u", u"/u requires Product Name"},
      {u"-U:", u"/u requires Product Name"},
      {u"/u:\"\"", u"/u requires Product Name"},
      {u"/u /bogus", u"Illegal command-line atom:\r\n/bogus"},  // atoms are checked before /u
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.args));
    EXPECT_EQ(Parse(c.args).usage_error, c.message);
  }
}

TEST(CommandLineParse, OptionsBeforeTheRefusedAtomAreKept) {
  // The runtime shows no usage box in silent mode, so what came before the error matters.
  const auto silent_first = Parse(u"/silent /bogus /MIN");
  ASSERT_TRUE(silent_first.usage_error);
  EXPECT_TRUE(silent_first.options.SilentMode);
  EXPECT_FALSE(silent_first.options.MinimizedBackground);

  const auto silent_after = Parse(u"/bogus /silent");
  ASSERT_TRUE(silent_after.usage_error);
  EXPECT_FALSE(silent_after.options.SilentMode);

  const auto silent_uninstall = Parse(u"/u -silent");
  EXPECT_EQ(silent_uninstall.usage_error, u"/u requires Product Name");
  EXPECT_TRUE(silent_uninstall.options.SilentMode);
}

TEST(CommandLineParse, BatchTextsGoThroughTheGivenConverter) {
  std::vector<std::u16string> seen;
  const AnsiConverter recording = [&seen](std::u16string_view text) {
    seen.emplace_back(text);
    return std::string("converted");
  };
  const auto parsed = ParseCommandLine(u"setup.exe /b2:\"a~~`b`\" /r:\"c\"", recording);
  EXPECT_EQ(parsed.options.ExtraPostBatch, "converted");
  EXPECT_EQ(parsed.options.RunAfterInstall, u"c");  // only the batch texts are converted
  EXPECT_EQ(seen, std::vector<std::u16string>{u"a\r\n\"b\""});

  // An empty converter falls back to Windows-1252 rather than failing.
  EXPECT_EQ(ParseCommandLine(u"x /b3:\"\u20ac\"", AnsiConverter()).options.ExtraExitBatch, "\x80");
}

TEST(CommandLineParse, ArbitraryInputIsHandled) {
  // Any text gives either options or one of the three messages; under the sanitizers this also
  // checks that nothing reads out of bounds.
  const char16_t alphabet[] = {u'/', u'-', u'"', u' ', u'\t', u'\r', u'\n', u'a', u'u', u'U', u':',
                               u'd', u'b', u'1', u'r', u'~', u'`', u'\\', u'\0', 0xD800, 0xFFFF};
  std::mt19937 rng(12345);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(alphabet) - 1), length(0, 40);
  for (int i = 0; i < 20000; ++i) {
    std::u16string line;
    for (std::size_t n = length(rng); n > 0; --n) line.push_back(alphabet[pick(rng)]);
    const auto parsed = ParseCommandLine(line, Utf16ToCp1252);
    const auto atoms = SplitCommandLine(line);
    ASSERT_LE(atoms.size(), 19u);
    for (const auto& atom : atoms) ASSERT_FALSE(atom.empty());
    if (parsed.usage_error) {
      const std::u16string& m = *parsed.usage_error;
      ASSERT_TRUE(m.starts_with(u"Illegal command-line atom:\r\n") ||
                  m.starts_with(u"Unexpected command-line parameter:\r\n") ||
                  m == u"/u requires Product Name")
          << U8(m);
    } else {
      ASSERT_TRUE(!parsed.options.UninstallMode || !parsed.options.UninstallProductName.empty());
    }
  }
}

TEST(CommandLineUsage, Text) {
  const std::u16string text = UsageText(u"Illegal command-line atom:\r\n/x%s%d", u"setup.exe");
  // The message goes in as it is, never as a format.
  EXPECT_TRUE(text.starts_with(
      u"Illegal command-line atom:\r\n/x%s%d\r\n\r\nUsage:\r\nsetup.exe [/a] [/b1:\"commands\"] "
      u"[/b2:\"commands\"] [/b3:\"commands\"] [/d:\"dir\"] [/n:\"name\"] [/u:\"name\"] "
      u"[/r:\"program\"] [/silent]\r\n\r\n/a"));
  // The switch column is aligned with spaces before the tab on the first two lines only.
  EXPECT_NE(text.find(u"\r\n/a                  \tAutomatic mode.\r\n/d:\"dir\"        \tOverride"),
            std::u16string::npos);
  EXPECT_NE(text.find(u"\r\n/b1:\"commands\"\tAdd commands to the end of the Pre-Installation Batch.\r\n"),
            std::u16string::npos);
  EXPECT_NE(text.find(u"\r\n/b3:\"commands\"\tAdd commands to the end of the Installation-Exit Batch.\r\n"
                      u"/n:\"name\"\tOverride product name.\r\n/u:\"name\"\tUninstall product by name.\r\n"),
            std::u16string::npos);
  EXPECT_TRUE(text.ends_with(
      u"\r\n/r:\"program\"\tRun the specified program after a successful installation.\r\n"
      u"/silent\tDisplay no user interface."));
  std::size_t lines = 1;
  for (std::size_t p = 0; (p = text.find(u"\r\n", p)) != std::u16string::npos; p += 2) ++lines;
  EXPECT_EQ(lines, 15u);  // two of the message, "", "Usage:", the syntax, "" and one per switch
}

}  // namespace
}  // namespace mv
