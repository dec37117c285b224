#include "engine/registry_script.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"

namespace mv {
namespace {

// Stands in for the installation variables.
std::u16string Expand(std::u16string_view text) {
  std::u16string out(text);
  const std::u16string name = u"%InstallDir%";
  for (std::size_t at; (at = out.find(name)) != std::u16string::npos;) out.replace(at, name.size(), u"C:\\App");
  return out;
}

Bytes Text(std::u16string_view text) { return StringValueData(text); }
Bytes Raw(std::u16string_view text) {
  Bytes out = StringValueData(text);
  out.resize(out.size() - 2);
  return out;
}

RegistryAction Set(std::u16string key, std::u16string name, std::uint32_t type, Bytes data, bool keep = false) {
  RegistryAction a;
  a.step = RegistryStep::kSetValue;
  a.key = std::move(key);
  a.value_name = std::move(name);
  a.type = type;
  a.data = std::move(data);
  a.keep_existing = keep;
  return a;
}
RegistryAction Step(RegistryStep step, std::u16string key = {}, std::u16string name = {}) {
  RegistryAction a;
  a.step = step;
  a.key = std::move(key);
  a.value_name = std::move(name);
  return a;
}
RegistryAction Illegal(std::u16string text) {
  RegistryAction a;
  a.step = RegistryStep::kIllegal;
  a.text = std::move(text);
  return a;
}

TEST(RegistryScript, RecordToAction) {
  const std::u16string k = u"\\HKLM\\Software\\Acme";
  struct Case {
    std::vector<std::u16string> fields;
    RegistryAction want;
  } cases[] = {
      // One field: a key, trimmed; a blank one is skipped.
      {{u"  \\HKCU\\Software\\Acme\t"}, Step(RegistryStep::kCreateKey, u"\\HKCU\\Software\\Acme")},
      {{u"  "}, Step(RegistryStep::kNone)},
      // Neither 1 nor 5 fields: illegal, quoted back as written.
      {{k, u"Name", u"1"}, Illegal(u"\\HKLM\\Software\\Acme,Name,1")},
      {{k, u"a,b", u"1", u"x", u"1", u""}, Illegal(u"\\HKLM\\Software\\Acme,\"a,b\",1,x,1,")},
      // The types: 1 expanded, 2 as written, both with their terminating zero.
      {{k, u"Dir", u"1", u"%InstallDir%\\bin", u"1"}, Set(k, u"Dir", 1, Text(u"C:\\App\\bin"))},
      {{k, u"Dir", u"2", u"%InstallDir%\\bin", u"3"}, Set(k, u"Dir", 2, Text(u"%InstallDir%\\bin"))},
      {{k, u"", u"1", u"", u"1"}, Set(k, u"", 1, Text(u""))},
      // 3: digit pairs, spaces ignored; an odd count or a stray character leaves the text undecoded.
      {{k, u"Bin", u"3", u"0A 1b ff", u"6"}, Set(k, u"Bin", 3, {0x0A, 0x1B, 0xFF}, true)},
      {{k, u"Bin", u"3", u" 0a1B  FF ", u"1"}, Set(k, u"Bin", 3, {0x0A, 0x1B, 0xFF})},
      {{k, u"Bin", u"3", u"0A 1", u"7"}, Set(k, u"Bin", 3, Raw(u"0A 1"), true)},
      {{k, u"Bin", u"3", u"0A 1G", u"1"}, Set(k, u"Bin", 3, Raw(u"0A 1G"))},
      {{k, u"Bin", u"3", u"", u"1"}, Set(k, u"Bin", 3, {})},
      // 4 and 11: decimal numbers of their width, negative ones as two's complement.
      {{k, u"N", u"4", u"305419896", u"1"}, Set(k, u"N", 4, {0x78, 0x56, 0x34, 0x12})},
      {{k, u"N", u"4", u"4294967295", u"1"}, Set(k, u"N", 4, {0xFF, 0xFF, 0xFF, 0xFF})},
      {{k, u"N", u"4", u"-2147483648", u"1"}, Set(k, u"N", 4, {0, 0, 0, 0x80})},
      {{k, u"N", u"4", u"4294967296", u"1"}, Illegal(u"\\HKLM\\Software\\Acme,N,4,4294967296,1")},
      {{k, u"N", u"4", u"-2147483649", u"1"}, Illegal(u"\\HKLM\\Software\\Acme,N,4,-2147483649,1")},
      {{k, u"N", u"4", u"12a", u"1"}, Illegal(u"\\HKLM\\Software\\Acme,N,4,12a,1")},
      {{k, u"N", u"4", u"", u"1"}, Illegal(u"\\HKLM\\Software\\Acme,N,4,,1")},
      {{k, u"Q", u"11", u"18446744073709551615", u"1"}, Set(k, u"Q", 11, Bytes(8, 0xFF))},
      {{k, u"Q", u"11", u"-1", u"1"}, Set(k, u"Q", 11, Bytes(8, 0xFF))},
      {{k, u"Q", u"11", u"4294967296", u"1"}, Set(k, u"Q", 11, {0, 0, 0, 0, 1, 0, 0, 0})},
      {{k, u"Q", u"11", u"18446744073709551616", u"1"}, Illegal(u"\\HKLM\\Software\\Acme,Q,11,18446744073709551616,1")},
      // 0 and 5 to 10 carry no data, whatever the field holds.
      {{k, u"M", u"7", u"ignored", u"1"}, Set(k, u"M", 7, {})},
      {{k, u"M", u"0", u"", u"1"}, Set(k, u"M", 0, {})},
      // Types outside the table, or none, when a value is set.
      {{k, u"T", u"12", u"", u"1"}, Illegal(u"\\HKLM\\Software\\Acme,T,12,,1")},
      {{k, u"T", u"", u"x", u"1"}, Illegal(u"\\HKLM\\Software\\Acme,T,,x,1")},
      // Deletion and the uninstaller's mode look at neither type nor data.
      {{k, u"Old", u"", u"", u"4"}, Step(RegistryStep::kDeleteValue, k, u"Old")},
      {{k, u"Old", u"99", u"zz", u"5"}, Step(RegistryStep::kDeleteValue, k, u"Old")},
      {{k, u"Path", u"", u"", u"2"}, Step(RegistryStep::kNone, k, u"Path")},
      // Modes outside 1 to 7.
      {{k, u"X", u"1", u"", u"0"}, Illegal(u"\\HKLM\\Software\\Acme,X,1,,0")},
      {{k, u"X", u"1", u"", u"8"}, Illegal(u"\\HKLM\\Software\\Acme,X,1,,8")},
      {{k, u"X", u"1", u"", u"one"}, Illegal(u"\\HKLM\\Software\\Acme,X,1,,one")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.fields[0] + u" | " + (c.fields.size() > 3 ? c.fields[3] : u"")));
    EXPECT_EQ(DecideRegistryRecord(c.fields, Expand), c.want);
  }
}

TEST(RegistryScript, MalformedLinesAreReportedAndReadingGoesOn) {
  const std::u16string script =
      u"\uFEFF\\HKCU\\A\r\n"
      u"\\HKCU\\A,\"two\r\nlines\",2,x,3\r\n"  // a valid record over two lines
      u"\\HKCU\\A,\"x\"y,1,v,1\r\n"           // text after a closing quote
      u"\\HKCU\\B\n"
      u"a,b,c\r"
      u"\\HKCU\\A,\"open,1,v,1\r\n"  // a quote that never closes
      u"\\HKCU\\C";
  const std::vector<RegistryAction> want = {
      Step(RegistryStep::kCreateKey, u"\\HKCU\\A"),
      Set(u"\\HKCU\\A", u"two\r\nlines", 2, Text(u"x")),
      Illegal(u"\\HKCU\\A,\"x\"y,1,v,1"),
      Step(RegistryStep::kCreateKey, u"\\HKCU\\B"),
      Illegal(u"a,b,c"),
      Illegal(u"\\HKCU\\A,\"open,1,v,1"),
      Step(RegistryStep::kCreateKey, u"\\HKCU\\C"),
  };
  EXPECT_EQ(PlanRegistryScript(script, Expand), want);
  EXPECT_TRUE(PlanRegistryScript(u"", Expand).empty());
}

TEST(RegistryScript, AppendedRecordsReadBackAsTheUninstallerSeesThem) {
  const std::u16string key = u"\\HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a,b.exe";
  const std::u16string records = UninstallValueRecord(key, u"") + UninstallValueRecord(key, u"Path") +
                                 UninstallKeyRecord(key);
  EXPECT_EQ(records,
            u"\"\\HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a,b.exe\",,,,2\r\n"
            u"\"\\HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a,b.exe\",Path,,,2\r\n"
            u"\"\\HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a,b.exe\"\r\n");
  // At installation they change nothing but the key, which exists already.
  const std::vector<RegistryAction> want = {Step(RegistryStep::kNone, key, u""), Step(RegistryStep::kNone, key, u"Path"),
                                            Step(RegistryStep::kCreateKey, key)};
  EXPECT_EQ(PlanRegistryScript(records, Expand), want);
}

TEST(RegistryScript, StepsOnARemovableTarget) {
  struct Case {
    bool removable;
    std::uint32_t flags2;
    RegistryStepsToRun want;
  } cases[] = {
      {false, 0, {true, true}},
      {false, kFlags2NoRegistryOnRemovable, {true, true}},
      {true, 0, {true, false}},
      {true, kFlags2NoRegistryOnRemovable | 1u, {false, false}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RegistryStepsFor(c.removable, c.flags2), c.want) << c.removable << " " << c.flags2;
}

TEST(SearchPath, Folder) {
  struct Case {
    const char16_t* subfolder;
    const char16_t* want;
  } cases[] = {
      {u"", u"C:\\App"},
      {u"bin", u"C:\\App\\bin"},
      {u"D:\\Tools", u"D:\\Tools"},
      {u"\\\\server\\share\\bin", u"\\\\server\\share\\bin"},
  };
  for (const Case& c : cases) EXPECT_EQ(SearchPathFolder(u"C:\\App", c.subfolder), c.want) << Utf16ToUtf8(c.subfolder);
}

TEST(SearchPath, AddAndRemove) {
  const std::u16string folder = u"C:\\App";
  struct Case {
    const char16_t* path;
    bool add;
    std::optional<std::u16string> want;
  } cases[] = {
      // Adding.
      {u"C:\\Win", true, u"C:\\Win;C:\\App"},
      {u"C:\\Win;", true, u"C:\\Win;C:\\App"},
      {u"C:\\Win;c:\\app;D:\\X", true, std::nullopt},  // found, in any letter case
      {u"C:\\Win;C:\\APP", true, std::nullopt},        // already last, without ";"
      {u"C:\\App;", true, std::nullopt},
      // Removing.
      {u"C:\\Win;c:\\APP;D:\\X", false, u"C:\\Win;D:\\X"},
      {u"C:\\App;X;C:\\App;", false, u"X;C:\\App;"},  // the first occurrence only
      {u"C:\\Win;C:\\App;", false, u"C:\\Win;"},
      {u"C:\\Win;C:\\App", false, u"C:\\Win"},  // last: no trailing ";" is left
      {u"C:\\App", false, u""},
      {u"C:\\Win;D:\\X", false, std::nullopt},
      {u"C:\\Win;", false, std::nullopt},  // nothing cut, so the ";" stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.path) + (c.add ? " add" : " remove"));
    EXPECT_EQ(EditSearchPath(c.path, folder, c.add), c.want);
  }
}

TEST(SearchPath, LongPathKeepsEveryCharacter) {
  std::u16string path = u"%SystemRoot%\\system32";
  for (int i = 0; path.size() < 4000; ++i) path += u";C:\\Tools\\Package" + Utf8ToUtf16(std::to_string(i));
  const std::optional<std::u16string> added = EditSearchPath(path, u"C:\\App", true);
  ASSERT_TRUE(added);
  EXPECT_EQ(*added, path + u";C:\\App");
  EXPECT_FALSE(EditSearchPath(*added, u"C:\\App", true));
  EXPECT_EQ(EditSearchPath(*added, u"C:\\App", false), path);
}

}  // namespace
}  // namespace mv
