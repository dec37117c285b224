#include "uninstall/uninstall_rules.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace mv {
namespace {

std::string N(std::u16string_view s) { return Utf16ToUtf8(s); }

TEST(UninstallLists, FromTheFileSections) {
  const std::string bytes =
      "C:\\P\\a*b?.txt\r\n~C:\\P\\sub\r\n!\\HKLM\\Software\\X\\Value\r\n^\\HKLM\\Software\\X\r\n*\\HKLM\\Software\\Y\r\n"
      "\r\n\r\n[Strings]\r\n~0\r\nzero\r\n~53\r\nRemove it?\r\n~1000\r\nlast\r\n~1001\r\ntoo far\r\n"
      "\r\n\r\n[AutoClose]\r\nCls,Title,Prog,2\r\nCls,Title,Prog\r\nA,,B,0\r\n"
      "\r\n\r\n[Associations]\r\n.abc~!~Abc.File~!~open~!~icon.ico\r\n~!~Id~!~open~!~\r\n.x~!~~!~open~!~\r\n"
      ".y~!~Y~!~~!~i\r\n.z~!~Z~!~edit\r\n";
  const UninstallFileResult read = ReadUninstallFile(bytes);
  ASSERT_TRUE(read.ok) << read.error;
  const UninstallLists lists = MakeUninstallLists(read.file);

  const std::vector<UndoItem> main = {
      {UndoKind::kFile, "C:\\P\\a*b?.txt"},  // the name as written: "*" and "?" are never patterns
      {UndoKind::kFolder, "C:\\P\\sub"},
      {UndoKind::kRegistryValue, "\\HKLM\\Software\\X\\Value"},
      {UndoKind::kRegistryKey, "\\HKLM\\Software\\X"},
      {UndoKind::kRegistryKey64, "\\HKLM\\Software\\Y"},
  };
  EXPECT_EQ(lists.main, main);

  const Language language = UninstallLanguage(lists.strings);
  EXPECT_EQ(language.texts[53], u"Remove it?");
  EXPECT_EQ(language.texts[1000], u"last");
  EXPECT_TRUE(language.texts[0].empty());  // 0 and 1001 are ignored
  EXPECT_EQ(language.texts.size(), 1001u);

  ASSERT_EQ(lists.auto_close.size(), 2u);  // the three-field line is skipped
  EXPECT_EQ(lists.auto_close[0].action, 2u);
  EXPECT_EQ(lists.auto_close[1].window_class, u"A");

  const std::vector<UndoAssociation> associations = {{".abc", "Abc.File", "open", "icon.ico"},
                                                     {".z", "Z", "edit", ""}};
  EXPECT_EQ(lists.associations, associations);  // lines with an empty extension, id or verb dropped
}

TEST(UninstallLists, ProductFlags) {
  struct Case {
    const char16_t* text;
    std::uint64_t flags;
  } cases[] = {
      {u"0", 0},
      {u"1024", 1024},
      {u"-1", ~0ull},
      {u"9223372036854775807", 0x7FFFFFFFFFFFFFFFull},
      {u"9223372036854775808", 0},  // beyond a signed 64-bit number
      {u"12x", 0},
      {u"", 0},
      {u" 5", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseProductFlags(c.text), c.flags) << N(c.text);
}

TEST(UninstallSteps, OrderAndProgress) {
  const std::vector<RemovalStep>& order = RemovalOrder();
  auto at = [&](RemovalStep s) { return std::find(order.begin(), order.end(), s) - order.begin(); };
  // What the retry and the acceptance depend on: files before their folders, the record rewritten
  // after both, the tree deleted only after everything else, and the key last.
  EXPECT_LT(at(RemovalStep::kAssociations), at(RemovalStep::kMainList));
  EXPECT_LT(at(RemovalStep::kMainList), at(RemovalStep::kFolders));
  EXPECT_LT(at(RemovalStep::kFolders), at(RemovalStep::kRewriteRecord));
  EXPECT_LT(at(RemovalStep::kRewriteRecord), at(RemovalStep::kDeleteTree));
  EXPECT_LT(at(RemovalStep::kDeleteTree), at(RemovalStep::kFinish));
  EXPECT_EQ(order.back(), RemovalStep::kNotifyShell);
  EXPECT_EQ(order.size(), 18u);

  EXPECT_EQ(MainListProgress(0, 10), 11);
  EXPECT_EQ(MainListProgress(5, 10), 51);  // 11 + trunc(40.5)
  EXPECT_EQ(MainListProgress(10, 10), 92);
  EXPECT_EQ(MainListProgress(0, 0), 11);
}

TEST(UninstallFolders, LongestFirstAndTheWalkUp) {
  EXPECT_EQ(FoldersLongestFirst({u"C:\\P", u"C:\\P\\a\\b", u"C:\\P\\c", u"C:\\P\\a"}),
            (std::vector<std::u16string>{u"C:\\P\\a\\b", u"C:\\P\\c", u"C:\\P\\a", u"C:\\P"}));

  struct Case {
    const char16_t* folder;
    const char16_t* install;
    std::vector<std::u16string> walk;
  } cases[] = {
      {u"C:\\P\\a\\b", u"C:\\P", {u"C:\\P\\a\\b", u"C:\\P\\a"}},
      {u"c:\\p\\A\\", u"C:\\P\\", {u"c:\\p\\A"}},  // case and a trailing backslash ignored
      {u"C:\\P", u"c:\\p", {}},                    // the installation folder itself stays
      {u"C:\\Other\\x", u"C:\\P", {u"C:\\Other\\x", u"C:\\Other"}},  // never the drive root
      {u"C:\\\xC4ND\\x", u"C:\\\xE4nd", {u"C:\\\xC4ND\\x"}},         // Latin letters fold too
  };
  for (const Case& c : cases) EXPECT_EQ(FolderWalk(c.folder, c.install), c.walk) << N(c.folder);

  std::u16string deep = u"C:\\P";
  for (int i = 0; i < 60; ++i) deep += u"\\d";
  EXPECT_EQ(FolderWalk(deep, u"C:\\P").size(), 50u);
}

TEST(UninstallFolders, InsideAndQuoted) {
  struct Case {
    const char16_t* path;
    const char16_t* folder;
    bool inside;
  } cases[] = {
      {u"C:\\P\\a.txt", u"C:\\P", true},     {u"c:\\p\\sub\\a", u"C:\\P\\", true},
      {u"C:\\P", u"C:\\P", false},           {u"C:\\Pa\\x", u"C:\\P", false},
      {u"C:\\x", u"C:\\", true},             {u"C:\\x", u"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsInsideFolder(c.path, c.folder), c.inside) << N(c.path);
  EXPECT_EQ(QuotedTexts(u"\"Title A\" \"a.ttf\"\"B\"\"b.ttf\" \"open"),
            (std::vector<std::u16string>{u"Title A", u"a.ttf", u"B", u"b.ttf"}));
}

TEST(UninstallSharedFiles, CountsAndEntries) {
  struct Case {
    std::int64_t count;
    std::optional<std::uint32_t> written;
    bool used;
  } cases[] = {
      {2, 1, true},                // counted down, the file stays
      {1, 0, false},               // the last user: removed
      {0, std::nullopt, false},    // never below 0: left as it is, treated as unused
      {-3, std::nullopt, false},
      {5000000000ll, 0xFFFFFFFEu, true},
  };
  for (const Case& c : cases) {
    const SharedCountStep step = CountDownShared(c.count);
    EXPECT_EQ(step.new_count, c.written) << c.count;
    EXPECT_EQ(step.still_used, c.used) << c.count;
  }

  const std::string text = "\"C:\\S\\a.dll^\";\"C:\\S\\b.dll \";\"C:\\S\\c.tlb\xA9\";\"C:\\S\\d.dll\xA9 ^\";\"\";\"unterminated";
  const std::vector<SharedEntry> entries = {
      {"C:\\S\\a.dll", true, false, false},
      {"C:\\S\\b.dll", false, true, false},
      {"C:\\S\\c.tlb", false, false, true},
      {"C:\\S\\d.dll", true, true, true},
  };
  EXPECT_EQ(ParseSharedFiles(text), entries);
}

TEST(UninstallRegistryRecords, Interpretation) {
  const std::u16string script =
      u"\\HKLM\\Software\\Acme\r\n"            // a key: removed when empty
      u"\\HKLM\r\n"                            // one backslash too few
      u"\\HKAU\\Software\\Acme\\Opt\r\n"       // in every user hive
      u"\\HKLM\\Software\\Acme,Name,x,y,2\r\n"
      u"\\HKAU\\Software\\Acme,Other,,,7\r\n"
      u"\\HKLM\\Software\\Acme,Kept,,,1\r\n"    // other kinds are not undone
      u"\\HKLM\\Software\\Acme,Two\r\n"         // neither one nor five fields
      u"\"\\HKLM\\Software\\A,B\",\"V,1\",,,3\r\n";
  // Values first, then the keys deepest-last-written first.
  const std::vector<RegistryUndo> expected = {
      {RegistryUndo::kDeleteValue, u"\\HKLM\\Software\\Acme", u"Name", false},
      {RegistryUndo::kDeleteValue, u"\\HKAU\\Software\\Acme", u"Other", true},
      {RegistryUndo::kDeleteValue, u"\\HKLM\\Software\\A,B", u"V,1", false},
      {RegistryUndo::kDeleteEmptyKey, u"\\HKAU\\Software\\Acme\\Opt", u"", true},
      {RegistryUndo::kDeleteEmptyKey, u"\\HKLM\\Software\\Acme", u"", false},
  };
  EXPECT_EQ(InterpretRegistryRecords(script), expected);
}

TEST(UninstallFirewall, EntriesIntoRemovals) {
  // The program target as the run decodes it: "|" and UTF-8, else (here) plain ASCII; "%app%"
  // stands for a variable that expands to a folder.
  auto decode = [](std::string_view target) {
    std::u16string path = Utf8ToUtf16(target.substr(target.starts_with('|') ? 1 : 0));
    if (path.starts_with(u"%app%")) path.replace(0, 5, u"D:\\Apps");
    return path;
  };
  const std::u16string install = u"C:\\Program Files\\Acme\\";
  struct Case {
    const char* entry;
    std::optional<FirewallRemoval> removal;
  } cases[] = {
      {"8080;Web;1;0", FirewallRemoval{8080, {6}, u""}},
      {"8080;Web;2;0", FirewallRemoval{8080, {17}, u""}},
      {"53;;3;", FirewallRemoval{53, {6, 17}, u""}},
      {"8080;Web;0;0", std::nullopt},   // no protocol selected
      {"8080;Web;x;0", std::nullopt},
      {"70000;Web;3;0", std::nullopt},  // no such port
      {"0;Web;3;0", std::nullopt},
      {"bin\\server.exe;Server;0;0", FirewallRemoval{std::nullopt, {}, u"C:\\Program Files\\Acme\\bin\\server.exe"}},
      {"server.exe;;3;", FirewallRemoval{std::nullopt, {}, u"C:\\Program Files\\Acme\\server.exe"}},
      {"E:\\Tools\\t.exe;T;1;0", FirewallRemoval{std::nullopt, {}, u"E:\\Tools\\t.exe"}},  // absolute: as it is
      {"\\\\host\\share\\t.exe;T;1;0", FirewallRemoval{std::nullopt, {}, u"\\\\host\\share\\t.exe"}},
      {"%app%\\t.exe;T;1;0", FirewallRemoval{std::nullopt, {}, u"D:\\Apps\\t.exe"}},  // expanded, then absolute
      {"|\xc3\xa9.exe;;1;", FirewallRemoval{std::nullopt, {}, u"C:\\Program Files\\Acme\\\u00e9.exe"}},
      {"80a;Web;1;0", FirewallRemoval{std::nullopt, {}, u"C:\\Program Files\\Acme\\80a"}},  // not all digits: a program
      {";Web;1;0", std::nullopt},  // no target at all
      {"8080;Web;3", std::nullopt},  // three fields
      {"8080;Web;3;0;1", std::nullopt},  // five fields
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(FirewallRemovalOf(c.entry, install, decode), c.removal) << c.entry;
}

TEST(UninstallSupportOffer, Addresses) {
  for (const char16_t* yes : {u"http://x", u"https://x", u"ftp://x", u"file:///c:/x", u"mailto:a@b", u"cid:1", u"data:,x"})
    EXPECT_TRUE(IsSupportAddress(yes)) << N(yes);
  for (const char16_t* no : {u"", u"www.example.test", u"file://x", u"HTTP://x", u" http://x"})
    EXPECT_FALSE(IsSupportAddress(no)) << N(no);
}

TEST(SelfRemoval, BatchText) {
  const std::u16string head =
      u":Repeat\r\ndel \"C:\\P\\u\\v\\un.exe\"\r\nif exist \"C:\\P\\u\\v\\un.exe\" goto Repeat\r\nCHOICE /T 3 /D Y\r\n";
  EXPECT_EQ(SelfRemovalBatchText(u"C:\\P\\u\\v\\un.exe", u"C:\\P", u"u\\v", u"C:\\T\\x.bat"),
            head + u"rd \"C:\\P\\u\\v\"\r\nrd \"C:\\P\\u\"\r\nrd \"C:\\P\"\r\ndel \"C:\\T\\x.bat\"\r\n");
  EXPECT_EQ(SelfRemovalBatchText(u"C:\\P\\u\\v\\un.exe", u"C:\\P", u"", u"C:\\T\\x.bat"),
            head + u"rd \"C:\\P\"\r\ndel \"C:\\T\\x.bat\"\r\n");

  std::u16string deep;
  for (int i = 0; i < 70; ++i) deep += i ? u"\\d" : u"d";
  const std::u16string text = SelfRemovalBatchText(u"C:\\u.exe", u"C:\\P", deep, u"b.bat");
  std::size_t rd = 0;
  for (std::size_t at = text.find(u"\nrd "); at != std::u16string::npos; at = text.find(u"\nrd ", at + 1)) ++rd;
  EXPECT_EQ(rd, 51u);  // at most 50 sub-folder lines, then the installation folder

  EXPECT_EQ(SelfRemovalCommandLine(u"", u"C:\\T\\x.bat"), u"\"cmd.exe\" /c \"C:\\T\\x.bat\"");
  EXPECT_EQ(SelfRemovalCommandLine(u"C:\\W\\system32\\cmd.exe", u"C:\\T\\x.bat"),
            u"\"C:\\W\\system32\\cmd.exe\" /c \"C:\\T\\x.bat\"");
}

TEST(GuardedDeletion, Verdicts) {
  const std::vector<std::u16string> guarded = {u"C:\\Windows", u"C:\\Windows\\system32", u"C:\\Program Files",
                                               u"C:\\Program Files (x86)", u"C:\\Program Files\\Common Files",
                                               u"C:\\users\\me", u"C:\\users\\me\\Documents"};
  struct Case {
    const char16_t* folder;
    TreeVerdict verdict;
  } cases[] = {
      {u"C:\\Program Files\\Acme", TreeVerdict::kAllowed},
      {u"C:\\Program Files", TreeVerdict::kGuarded},
      {u"c:\\program files\\", TreeVerdict::kGuarded},
      {u"C:\\Program Files (x86)", TreeVerdict::kGuarded},
      {u"C:\\Program Files\\Common Files", TreeVerdict::kGuarded},
      {u"C:\\Windows\\System32", TreeVerdict::kGuarded},
      {u"C:\\users", TreeVerdict::kGuarded},  // holds a profile
      {u"C:\\Users\\Me\\Documents", TreeVerdict::kGuarded},
      {u"C:\\Users\\Me\\Documents\\Acme", TreeVerdict::kAllowed},
      {u"C:\\", TreeVerdict::kDriveRoot},
      {u"D:\\", TreeVerdict::kDriveRoot},
      {u"C:", TreeVerdict::kMalformed},
      {u"Acme", TreeVerdict::kMalformed},
      {u"\\\\server\\share\\x", TreeVerdict::kMalformed},
      {u"C:\\Program Files\\Acme\\..", TreeVerdict::kMalformed},
      {u"C:\\P\\.\\x", TreeVerdict::kMalformed},
      {u"C:\\P\\\\x", TreeVerdict::kMalformed},
      {u"C:/P", TreeVerdict::kMalformed},
      {u"", TreeVerdict::kMalformed},
  };
  for (const Case& c : cases) EXPECT_EQ(GuardedFolderVerdict(c.folder, guarded), c.verdict) << N(c.folder);
}

}  // namespace
}  // namespace mv
