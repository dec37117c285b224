// The product's registry data written by real installers, read back with Wine's own `reg` in both
// registry views: the product key, the registry script (every type, a deletion, a kept value, a key,
// an illegal record), the merge file imported by Wine's `regedit`, App Paths created once, the
// search path, and what Uninstall.dat records for the uninstaller.
#include <gtest/gtest.h>

#include <string>

#include "base/bytes.h"
#include "base/text.h"
#include "engine/registry_script.h"
#include "package/settings.h"
#include "scenario.h"

namespace mve2e {
namespace {

const std::string kView32 = "/reg:32", kView64 = "/reg:64";

mv::Bytes Utf16Le(std::u16string_view text) {
  mv::Bytes out;
  for (char16_t c : text) mv::AppendLe16(out, c);
  return out;
}

std::string Narrow(const std::u16string& s) { return mv::Utf16ToUtf8(s); }

// The temporary merge files left in the prefix's temporary folders.
int LeftoverMergeFiles() {
  int n = 0;
  const fs::path users = SourceDir() / "build" / "wine" / "prefix" / "drive_c" / "users";
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(users, fs::directory_options::skip_permission_denied, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with("VQT") && name.ends_with(".reg")) ++n;
  }
  return n;
}

void DeleteKeys(const std::string& suffix, const std::string& program) {
  for (const std::string& view : {kView32, kView64}) {
    Reg({"delete", "HKLM\\Software\\MvE2E" + suffix, "/f", view});
    Reg({"delete", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + program, "/f", view});
  }
  Reg({"delete", "HKCU\\Software\\MvE2E" + suffix, "/f"});
  Reg({"delete", "HKU\\.DEFAULT\\Software\\MvE2E" + suffix, "/f"});
}

TEST(Registry, ScriptMergeAndAppPathsInTheProductsView) {
  for (const bool product64 : {false, true}) {
    const std::string bits = product64 ? "64" : "32";
    SCOPED_TRACE(bits + "-bit product");
    const std::string view = product64 ? kView64 : kView32;
    const std::string other = product64 ? kView32 : kView64;
    const std::string suffix = bits;  // keys of the two runs never meet
    const std::string program = "mve2e" + bits + ".exe";
    const std::string machine = "HKLM\\Software\\MvE2E" + suffix + "\\Script";
    const std::string user = "HKCU\\Software\\MvE2E" + suffix + "\\Script";
    const std::string app_paths = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + program;
    DeleteKeys(suffix, program);

    const fs::path dir = ScratchDir("registry-" + bits);
    const fs::path product = dir / "product";
    fs::create_directories(product);
    WriteAll(product / program, mv::Bytes{'M', 'Z'});  // the main program, as the file pass would leave it
    const std::u16string install_dir = WindowsPath(product);

    // Values the script deletes and keeps.
    ASSERT_TRUE(Reg({"add", machine, "/v", "Gone", "/d", "old", "/f", view}));
    ASSERT_TRUE(Reg({"add", machine, "/v", "Kept", "/d", "old", "/f", view}));

    const std::u16string m = u"\\HKLM\\Software\\MvE2E" + mv::Utf8ToUtf16(suffix) + u"\\Script";
    const std::u16string u = u"\\HKCU\\Software\\MvE2E" + mv::Utf8ToUtf16(suffix) + u"\\Script";
    const std::u16string a = u"\\HKAU\\Software\\MvE2E" + mv::Utf8ToUtf16(suffix) + u"\\Script";
    const std::u16string script = m + u",Text,1,%InstallDir%\\bin,1\r\n" +
                                  m + u",Expand,2,%SystemRoot%\\x,3\r\n" +
                                  m + u",Bytes,3,0A 1b ff,1\r\n" +
                                  m + u",Odd,3,0A1,1\r\n" +
                                  m + u",Number,4,305419896,1\r\n" +
                                  m + u",Wide,11,4294967296,1\r\n" +
                                  m + u",Nothing,7,,1\r\n" +
                                  m + u",Gone,,,4\r\n" +
                                  m + u",Kept,1,new,6\r\n" +
                                  m + u",Fresh,1,new,7\r\n" +
                                  m + u"\\Missing,Absent,,,4\r\n" +
                                  m + u",ForUninstaller,1,x,2\r\n" +
                                  m + u"\\Empty\r\n" +
                                  u + u",User,1,u,1\r\n" +
                                  a + u",Every,1,e,1\r\n" +
                                  u"a,b,c\r\n" +
                                  m + u",After,1,after,1\r\n";
    const std::u16string merge = u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\MvE2E" +
                                 mv::Utf8ToUtf16(suffix) + u"\\Merged]\r\n\"Value\"=\"merged\"\r\n";

    mvpack::Project p = SmallProject(dir);
    p.settings.ProductFlags |= mv::kFlagUninstaller | (product64 ? mv::kFlagRegistry64 : 0);
    p.settings.DefaultInstallDir = install_dir;
    p.settings.ProductRegistry = u"MvE2E" + mv::Utf8ToUtf16(suffix) + u"\\Product";
    p.settings.RegistryScript = Utf16Le(script);
    p.settings.RegMergeData = Utf16Le(merge);
    p.settings.AppPathProgram = mv::Utf8ToUtf16(program);
    const Built built = Build(p, dir / "setup.exe");

    const int leftovers = LeftoverMergeFiles();
    ExitCode r = RunWindows(built.path, "/silent", 90, dir);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 0u);

    // The script's values, in the product's view only.
    struct Expected {
      const char* name;
      RegValue value;
    } expected[] = {
        {"Text", {"REG_SZ", Narrow(install_dir) + "\\bin"}},
        {"Expand", {"REG_EXPAND_SZ", "%SystemRoot%\\x"}},
        {"Bytes", {"REG_BINARY", "0A1BFF"}},
        {"Odd", {"REG_BINARY", "300041003100"}},  // undecoded: the text's UTF-16LE bytes
        {"Number", {"REG_DWORD", "0x12345678"}},
        {"Kept", {"REG_SZ", "old"}},
        {"Fresh", {"REG_SZ", "new"}},
        {"After", {"REG_SZ", "after"}},
    };
    for (const Expected& e : expected) {
      EXPECT_EQ(QueryValue(machine, e.name, view), e.value) << e.name;
      EXPECT_FALSE(QueryValue(machine, e.name, other)) << e.name << " in the other view";
    }
    // Wine's `reg query` does not show 64-bit numbers; its export does.
    EXPECT_NE(ExportKey(machine, view, dir / "export.reg").find("\"Wide\"=hex(b):00,00,00,00,01,00,00,00\r\n"),
              std::string::npos);
    const std::optional<RegValue> nothing = QueryValue(machine, "Nothing", view);
    ASSERT_TRUE(nothing);
    EXPECT_EQ(nothing->type, "REG_MULTI_SZ");
    EXPECT_FALSE(QueryValue(machine, "Gone", view)) << "mode 4 deletes";
    EXPECT_FALSE(QueryValue(machine, "ForUninstaller", view)) << "mode 2 is for the uninstaller only";
    EXPECT_TRUE(Reg({"query", machine + "\\Empty", view}));
    EXPECT_FALSE(Reg({"query", machine + "\\Missing", view})) << "a deletion creates no key";
    EXPECT_TRUE(Reg({"query", "HKLM\\Software\\MvE2E" + suffix + "\\Product", view}));
    EXPECT_TRUE(Reg({"query", "HKCU\\Software\\MvE2E" + suffix + "\\Product"}));
    EXPECT_EQ(QueryValue(user, "User", view), (RegValue{"REG_SZ", "u"}));
    // Every user: the current user's hive and the default one.
    EXPECT_EQ(QueryValue(user, "Every", view), (RegValue{"REG_SZ", "e"}));
    EXPECT_EQ(QueryValue("HKU\\.DEFAULT\\Software\\MvE2E" + suffix + "\\Script", "Every", view), (RegValue{"REG_SZ", "e"}));

    // The merge file went through the system's registry editor and is gone.
    EXPECT_EQ(QueryValue("HKCU\\Software\\MvE2E" + suffix + "\\Merged", "Value", kView64), (RegValue{"REG_SZ", "merged"}));
    EXPECT_EQ(LeftoverMergeFiles(), leftovers);

    // App Paths: the program and its folder.
    const std::string program_path = Narrow(install_dir) + "\\" + program;
    EXPECT_EQ(QueryValue(app_paths, "", view), (RegValue{"REG_SZ", program_path}));
    EXPECT_EQ(QueryValue(app_paths, "Path", view), (RegValue{"REG_SZ", Narrow(install_dir)}));

    // The illegal record is in the failure summary; the log tells of the merge and App Paths.
    const std::string log = Text(product / "Install.log");
    EXPECT_NE(log.find("Illegal registry entry: a,b,c\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Merging registry file...OK\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Registering exe path...OK\r\n"), std::string::npos) << log;

    // Uninstall.dat: the package's script, then the App Paths records.
    const std::string key = "\\" + app_paths;
    const std::string registry2 = "\r\n\r\n[Registry2]\r\n" + Narrow(script) + key + ",,,,2\r\n" + key +
                                  ",Path,,,2\r\n" + key + "\r\n";
    const std::string data = Text(product / "Uninstall.dat");
    EXPECT_NE(data.find(registry2), std::string::npos) << data;

    // A second run: App Paths exists (and was changed since); it stays as it is and is not recorded.
    ASSERT_TRUE(Reg({"add", app_paths, "/ve", "/d", "C:\\elsewhere\\" + program, "/f", view}));
    fs::remove(product / "Install.log");
    r = RunWindows(built.path, "/silent", 90, dir);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(QueryValue(app_paths, "", view), (RegValue{"REG_SZ", "C:\\elsewhere\\" + program}));
    EXPECT_NE(Text(product / "Install.log").find("Registering exe path...a registration already exists\r\n"),
              std::string::npos);
    const std::string again = Text(product / "Uninstall.dat");
    EXPECT_TRUE(again.ends_with("\r\n\r\n[Registry2]\r\n" + Narrow(script))) << again;

    DeleteKeys(suffix, program);
  }
}

TEST(Registry, LongSearchPathKeepsEveryCharacterAndGainsTheFolderOnce) {
  const std::string environment = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment";
  const std::optional<RegValue> original = QueryValue(environment, "Path", kView64);
  ASSERT_TRUE(original);
  // The machine's own folders stay first, so that other programs still find theirs meanwhile.
  std::string path = original->data + ";%SystemRoot%\\MvE2E";
  for (int i = 0; path.size() < 4000; ++i) path += ";C:\\MvE2E\\Tools\\Package" + std::to_string(i);
  ASSERT_TRUE(Reg({"add", environment, "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", path, "/f", kView64}));

  const fs::path dir = ScratchDir("registry-path");
  const fs::path product = dir / "product";
  fs::create_directories(product / "bin");
  mvpack::Project p = SmallProject(dir);
  p.settings.ProductFlags |= mv::kFlagAddToPath;
  p.settings.DefaultInstallDir = WindowsPath(product);
  p.settings.AddToPathSubfolder = u"bin";
  const Built built = Build(p, dir / "setup.exe");
  for (int run = 0; run < 2; ++run) {
    ExitCode r = RunWindows(built.path, "/silent", 60, dir);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 0u);
  }
  const std::optional<RegValue> after = QueryValue(environment, "Path", kView64);
  Reg({"add", environment, "/v", "Path", "/t", original->type, "/d", original->data, "/f", kView64});
  ASSERT_TRUE(after);
  EXPECT_EQ(after->type, "REG_EXPAND_SZ");
  EXPECT_EQ(after->data, path + ";" + Narrow(WindowsPath(product / "bin")));
}

}  // namespace
}  // namespace mve2e
