#include "records/uninstall_file.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

UninstallFile EveryPart() {
  UninstallFile f;
  f.entries = {"C:\\Acme\\acme.exe", "~C:\\Acme", "!HKLM\\Software\\Acme\\Path", "*HKLM\\Software\\Classes\\CLSID\\{1}",
               "|C:\\Caf\xC3\xA9\\read.me"};
  f.strings = {{10, u"Uninstall"}, {53, u"Remove Acme\r\nand all of its parts?"}, {999, u"Acme Setup"}};
  f.auto_close = {{u"AcmeWnd", u"*Acme", u"Acme Caf\u00E9", 2}, {u"", u"Acme, \"the\" tool", u"#1", 0}};
  f.associations = {".acme~!~Acme.Document~!~open~!~|C:\\Caf\xC3\xA9\\acme.exe,0"};
  f.firewall = {"C:\\Acme\\acme.exe;Acme;6;0"};
  f.drivers = {"C:\\Windows\\INF\\oem7.inf"};
  f.packages = {"\"{12345678-1234-1234-1234-123456789012}\",1"};
  f.registry_script = u"HKLM\\Software\\Acme,Path,1,\"C:\\Acme;D:\\\",2\r\nHKLM\\Software\\Acme\r\n";
  f.conditional_deletions = {{"%InstallDir%\\*.tmp", 5, "0", 12}, {"|C:\\Caf\xC3\xA9\\old.dll", 2, "2026/01/31", 8}};
  return f;
}

TEST(UninstallFile, EverySectionInItsOrder) {
  const std::string expected =
      "C:\\Acme\\acme.exe\r\n~C:\\Acme\r\n!HKLM\\Software\\Acme\\Path\r\n*HKLM\\Software\\Classes\\CLSID\\{1}\r\n"
      "|C:\\Caf\xC3\xA9\\read.me\r\n"
      "\r\n\r\n[Strings]\r\n"
      "~10\r\nUninstall\r\n"
      "~53\r\nRemove Acme\r\nand all of its parts?\r\n"
      "~999\r\nAcme Setup\r\n"
      "\r\n\r\n[AutoClose]\r\n"
      "AcmeWnd,*Acme,Acme Caf\xC3\xA9,2\r\n"
      ",\"Acme, \"\"the\"\" tool\",\"#1\",0\r\n"
      "\r\n\r\n[Associations]\r\n.acme~!~Acme.Document~!~open~!~|C:\\Caf\xC3\xA9\\acme.exe,0\r\n"
      "\r\n\r\n[Firewall]\r\nC:\\Acme\\acme.exe;Acme;6;0\r\n"
      "\r\n\r\n[INF]\r\nC:\\Windows\\INF\\oem7.inf\r\n"
      "\r\n\r\n[MSI]\r\n\"{12345678-1234-1234-1234-123456789012}\",1\r\n"
      "\r\n\r\n[Registry2]\r\nHKLM\\Software\\Acme,Path,1,\"C:\\Acme;D:\\\",2\r\nHKLM\\Software\\Acme\r\n"
      "\r\n\r\n[ConditionalDelete]\r\n"
      "%InstallDir%\\*.tmp,5,0,12\r\n"
      "\"|C:\\Caf\xC3\xA9\\old.dll\",2,2026/01/31,8\r\n";
  const UninstallFile f = EveryPart();
  EXPECT_EQ(ComposeUninstallFile(f), expected);

  const UninstallFileResult read = ReadUninstallFile(expected);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.file, f);
}

TEST(UninstallFile, OnlyTheEntryListAndTheTexts) {
  UninstallFile f;
  f.entries = {"C:\\Acme\\a.txt", "~C:\\Acme"};
  f.strings = {{10, u"Uninstall"}, {999, u""}};
  const std::string bytes = ComposeUninstallFile(f);
  EXPECT_EQ(bytes, "C:\\Acme\\a.txt\r\n~C:\\Acme\r\n\r\n\r\n[Strings]\r\n~10\r\nUninstall\r\n~999\r\n\r\n");
  const UninstallFileResult read = ReadUninstallFile(bytes);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.file, f);

  const UninstallFileResult empty = ReadUninstallFile(ComposeUninstallFile({}));
  ASSERT_TRUE(empty.ok) << empty.error;
  EXPECT_EQ(empty.file, UninstallFile{});
}

TEST(UninstallFile, TextsWithLineBreaksReadBackUnchanged) {
  const std::u16string texts[] = {
      u"first line\r\nsecond line",
      u"ends with a break\r\n",
      u"\r\n\r\nblank lines around\r\n\r\n",
      u"",
      u"lone\rcarriage return and lone\nline feed",
      u"\u00C9t\u00E9 \u20AC",
  };
  for (const std::u16string& text : texts) {
    // Each text once in the middle, once last before another section and once at the end of the file.
    UninstallFile f;
    f.strings = {{10, u"x"}, {20, text}, {999, text}};
    const UninstallFileResult alone = ReadUninstallFile(ComposeUninstallFile(f));
    ASSERT_TRUE(alone.ok) << alone.error;
    EXPECT_EQ(alone.file, f);
    f.firewall = {"rule"};
    const UninstallFileResult followed = ReadUninstallFile(ComposeUninstallFile(f));
    ASSERT_TRUE(followed.ok) << followed.error;
    EXPECT_EQ(followed.file, f);
  }
}

TEST(UninstallFile, RegistryScriptGetsItsLastLineEnd) {
  UninstallFile f;
  f.registry_script = u"HKCU\\Software\\Acme";
  f.conditional_deletions = {{"C:\\x.tmp", 0, "", 8}};
  const std::string bytes = ComposeUninstallFile(f);
  EXPECT_NE(bytes.find("[Registry2]\r\nHKCU\\Software\\Acme\r\n\r\n\r\n[ConditionalDelete]\r\n"), std::string::npos);
  const UninstallFileResult read = ReadUninstallFile(bytes);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.file.registry_script, u"HKCU\\Software\\Acme\r\n");
  EXPECT_EQ(read.file.conditional_deletions, f.conditional_deletions);
}

TEST(UninstallFile, SkipsWhatTheUninstallerHasAlwaysSkipped) {
  const UninstallFileResult read = ReadUninstallFile(
      "C:\\a.txt\r\n\r\n\r\n[Strings]\r\n~0\r\nzero\r\n~10\r\nten\r\n~1001\r\nbig\r\n~abc\r\nword\r\n~1000\r\nlast\r\n"
      "[AutoClose]\r\nonly,three,fields\r\nW,T,P,3\r\n");
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.file.strings, (std::vector<NumberedText>{{10, u"ten"}, {1000, u"last"}}));
  EXPECT_EQ(read.file.auto_close, (std::vector<AutoCloseEntry>{{u"W", u"T", u"P", 3}}));
}

TEST(UninstallFile, RefusesMalformedInputWithTheReason) {
  struct Case {
    std::string bytes;
    std::string error;
  } cases[] = {
      {"\r\n\r\n[Strings]\r\n~10\r\nx\r\n[MSI]\r\na\r\n[Strings]\r\n",
       "line 8: the section [Strings] appears a second time"},
      {"[Strings]\r\n\r\nstray text\r\n~10\r\nx\r\n", "line 3: text in [Strings] before the first \"~\" number line"},
      {"[AutoClose]\r\na,b,c,1\r\n\"open,b,c,1\r\n", "[AutoClose] line 3: the quoted field that begins here has no closing quote"},
      {"[AutoClose]\r\na,b,c,close\r\n", "[AutoClose] line 2: action is not a number: \"close\""},
      {"[AutoClose]\r\na,b,c,4294967296\r\n", "[AutoClose] line 2: action is not a number: \"4294967296\""},
      {"[ConditionalDelete]\r\nC:\\a,1,x\r\n", "[ConditionalDelete] line 2: the record has 3 fields, not 4"},
      {"[ConditionalDelete]\r\nC:\\a,1,x,8\r\nC:\\b,256,x,8\r\n",
       "[ConditionalDelete] line 3: condition is not a number from 0 to 255: \"256\""},
      {"[ConditionalDelete]\r\nC:\\a,1,x,-8\r\n", "[ConditionalDelete] line 2: flags are not a number from 0 to 255: \"-8\""},
      {"[ConditionalDelete]\r\n\"a\"b,1,x,8\r\n", "[ConditionalDelete] line 2: text follows the closing quote of a field"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const UninstallFileResult read = ReadUninstallFile(c.bytes);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, c.error);
  }
}

TEST(UninstallFile, PartsTakenFromTheInstallation) {
  Lists lists;
  lists.Languages = {{u"German", {}}, {u"English", {}}};
  for (Language& l : lists.Languages) l.texts.resize(120);
  lists.Languages[1].texts[53] = u"Remove?";
  lists.Languages[1].texts[116] = u"Done";
  const std::vector<NumberedText> strings = UninstallStrings(lists, 1, u"Acme Setup");
  ASSERT_EQ(strings.size(), 34u);
  EXPECT_EQ(strings.front(), (NumberedText{10, u""}));
  EXPECT_EQ(strings[7], (NumberedText{53, u"Remove?"}));
  EXPECT_EQ(strings[32], (NumberedText{116, u"Done"}));
  EXPECT_EQ(strings.back(), (NumberedText{999, u"Acme Setup"}));

  const std::vector<CloseProgramRecord> close = {{u"A", u"", u"a", 0, kCloseAtInstall},
                                                 {u"B", u"", u"b", 2, kCloseAtUninstall},
                                                 {u"C", u"t", u"c", 3, kCloseAtInstall | kCloseAtUninstall}};
  EXPECT_EQ(UninstallAutoClose(close), (std::vector<AutoCloseEntry>{{u"B", u"", u"b", 2}, {u"C", u"t", u"c", 3}}));

  const std::vector<DeletionRecord> deletions = {{"a", 1, "", 4}, {"b", 1, "", 8}, {"c", 1, "", 12}};
  EXPECT_EQ(UninstallDeletions(deletions), (std::vector<DeletionRecord>{{"b", 1, "", 8}, {"c", 1, "", 12}}));

  const Bytes script = {'H', 0, 'K', 0, 'C', 0, 'U', 0, 'x'};  // an odd last byte is no character
  EXPECT_EQ(UninstallRegistryScript(script, u"HKLM\\A,v,,,2\r\n"), u"HKCU\r\nHKLM\\A,v,,,2\r\n");
  EXPECT_EQ(UninstallRegistryScript(script, u""), u"HKCU");
  EXPECT_EQ(UninstallRegistryScript({}, u"HKLM\\A\r\n"), u"HKLM\\A\r\n");
}

}  // namespace
}  // namespace mv
