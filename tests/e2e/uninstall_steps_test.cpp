// The uninstall run's steps that act on what an installation left outside its own files: firewall
// exceptions, associations with their backups, fonts, shared files and COM servers, the product's key
// in the user's hive, and the steps that fail under Wine (Windows Installer packages, drivers,
// taskbar pins). Each scenario installs the small product for real, adds to what it left the state
// those steps undo (registry values, files, sections of Uninstall.dat, values of the product key),
// then runs the registered UninstallString and checks the outcome.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "package/settings.h"
#include "uninstall_scenario.h"

namespace mve2e {
namespace {

const std::string kClasses = "HKCR\\";
const std::string kSharedDlls = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::string kFontList = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// An installed product: its folder and its Uninstall key.
struct Installed {
  fs::path dir, folder;
  std::string key;
};

Installed Install(const std::string& name, const std::function<void(mvpack::Project&)>& adjust = {}) {
  Installed i;
  i.dir = ScratchDir(name);
  mvpack::Project p = UninstallableProject(i.dir);
  if (adjust) adjust(p);
  i.folder = i.dir / "installed";
  i.key = kUninstallRoot + Narrow(p.settings.UninstallKeyName);
  const Built built = Build(p, i.dir / "setup.exe");
  const ExitCode r = RunWindows(built.path, "/silent", 120, i.dir);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  EXPECT_TRUE(fs::exists(i.folder / "Uninstall.dat"));
  return i;
}

// Adds a section to the installation's Uninstall.dat, as the installation writes it.
void AppendSection(const Installed& i, const std::string& header, const std::vector<std::string>& lines) {
  std::string record = Text(i.folder / "Uninstall.dat");
  record += "\r\n\r\n" + header + "\r\n";
  for (const std::string& line : lines) record += line + "\r\n";
  WriteAll(i.folder / "Uninstall.dat", mv::Bytes(record.begin(), record.end()));
}

// What Wine's escaped debug output shows of a text: every backslash doubled.
std::string DebugText(const std::string& text) {
  std::string out;
  for (char ch : text) out += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
  return out;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

// Wine's firewall objects keep no exception: adding one succeeds without effect, removing a port
// answers "not implemented" and removing a program succeeds. What can be seen is which calls reach
// them, in the firewall channel's output.
TEST(UninstallSteps, FirewallEntriesReachTheFirewallService) {
  const Installed i = Install("uninstall-firewall");
  const std::string program = WindowsPathUtf8(i.folder / "bin" / "server.exe");
  AppendSection(i, "[Firewall]",
                {"45678;Web;3;0",             // both protocols
                 "45679;Dns;2;",              // UDP only
                 "bin\\server.exe;Server;0;0",  // a program below the installation folder
                 "C:\\MvE2E\\tool.exe;Tool;1;0",  // an absolute program path
                 "45680;Three fields;3",      // ignored: not four fields
                 "70000;No such port;3;0",    // ignored
                 "45681;No protocol;0;0"});   // ignored
  const fs::path trace = i.dir / "firewall-trace.txt";
  const ExitCode r = RunUninstallString(i.key, i.folder, {}, WineDebug{"fixme+hnetcfg", trace});
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u) << "a port removal Wine refuses is no failure of the uninstallation";
  EXPECT_FALSE(KeyExists(i.key, kView32));
  EXPECT_FALSE(fs::exists(i.folder / "data.bin"));

  const std::string calls = Text(trace);
  EXPECT_EQ(Count(calls, "fw_ports_Remove"), 3u) << calls;
  EXPECT_EQ(Count(calls, ", 45678, 6\n"), 1u) << calls;   // TCP
  EXPECT_EQ(Count(calls, ", 45678, 17\n"), 1u) << calls;  // UDP
  EXPECT_EQ(Count(calls, ", 45679, 17\n"), 1u) << calls;
  EXPECT_EQ(Count(calls, "fw_apps_Remove"), 2u) << calls;
  EXPECT_EQ(Count(calls, "L\"" + DebugText(program) + "\""), 1u) << calls;
  EXPECT_EQ(Count(calls, "L\"C:\\\\MvE2E\\\\tool.exe\""), 1u) << calls;
  for (const char* ignored : {"45680", "70000", "45681"}) EXPECT_EQ(calls.find(ignored), std::string::npos) << ignored;
}

// Associations (one extension restored from its backup, one without a backup removed, the shared
// program identifier removed), a font with its entry in the system's font list, and the product's
// own key in the user's hive as well as the machine's.
TEST(UninstallSteps, AssociationsFontsAndTheProductKeyOfEveryUser) {
  const std::string id = "MvE2E.Steps.File";
  const std::string restored = kClasses + ".mve2e-restored", removed = kClasses + ".mve2e-removed";
  for (const std::string& k : {restored, removed, kClasses + id}) Reg({"delete", k, "/f", kView32});
  Reg({"delete", "HKCU\\Software\\MvE2ESteps", "/f"});
  const Installed i = Install("uninstall-registry", [](mvpack::Project& p) {
    p.settings.ProductRegistry = u"MvE2ESteps\\Product";
    p.settings.UninstallFonts = 2;  // remove without asking
  });
  const std::optional<RegValue> display_name = QueryValue(i.key, "DisplayName", kView32);
  ASSERT_TRUE(display_name);
  const std::string backup = display_name->data + " Backup";

  // What installing the associations left: the first extension had a file type before.
  ASSERT_TRUE(Reg({"add", restored, "/ve", "/d", id, "/f", kView32}));
  ASSERT_TRUE(Reg({"add", restored, "/v", backup, "/d", "Old.Type", "/f", kView32}));
  ASSERT_TRUE(Reg({"add", restored + "\\OpenWithProgids", "/v", id, "/d", "", "/f", kView32}));
  ASSERT_TRUE(Reg({"add", removed, "/ve", "/d", id, "/f", kView32}));
  ASSERT_TRUE(Reg({"add", kClasses + id, "/ve", "/d", "Steps file", "/f", kView32}));
  ASSERT_TRUE(Reg({"add", kClasses + id + "\\DefaultIcon", "/ve", "/d", "steps.ico", "/f", kView32}));
  ASSERT_TRUE(Reg({"add", kClasses + id + "\\shell", "/ve", "/d", "open", "/f", kView32}));
  ASSERT_TRUE(Reg({"add", kClasses + id + "\\shell\\open\\command", "/ve", "/d", "steps.exe %1", "/f", kView32}));
  AppendSection(i, "[Associations]",
                {".mve2e-restored~!~" + id + "~!~open~!~steps.ico", ".mve2e-removed~!~" + id + "~!~open~!~steps.ico"});

  // A font the installation placed in the Fonts folder and listed. (Its bytes are no valid font: the
  // run's unloading of the font resource is not seen here, only the list entry and the file.)
  const fs::path fonts = fs::path(SessionValue("WINEPREFIX")) / "drive_c" / "windows" / "Fonts";
  ASSERT_TRUE(fs::exists(fonts));
  WriteAll(fonts / "mve2e-steps.ttf", mv::Bytes(64, 'f'));
  ASSERT_TRUE(Reg({"add", kFontList, "/v", "MvE2E Steps (TrueType)", "/d", "mve2e-steps.ttf", "/f", kView32}));
  ASSERT_TRUE(Reg({"add", i.key, "/v", "ProductFonts", "/d", "\"MvE2E Steps (TrueType)\" \"mve2e-steps.ttf\"", "/f", kView32}));

  // The product's own key, written for the machine and for the user.
  ASSERT_TRUE(Reg({"add", "HKLM\\Software\\MvE2ESteps\\Product", "/v", "m", "/d", "1", "/f", kView32}));
  ASSERT_TRUE(Reg({"add", "HKCU\\Software\\MvE2ESteps\\Product\\Options", "/v", "u", "/d", "1", "/f"}));

  const ExitCode r = RunUninstallString(i.key, i.folder);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  EXPECT_FALSE(KeyExists(i.key, kView32));

  EXPECT_EQ(QueryValue(restored, "", kView32), (RegValue{"REG_SZ", "Old.Type"}));
  EXPECT_FALSE(QueryValue(restored, backup, kView32)) << "the backup value goes once restored";
  EXPECT_FALSE(KeyExists(restored + "\\OpenWithProgids", kView32));
  EXPECT_FALSE(KeyExists(removed, kView32)) << "no backup: the extension goes, also after its identifier went";
  EXPECT_FALSE(KeyExists(kClasses + id, kView32));

  EXPECT_FALSE(fs::exists(fonts / "mve2e-steps.ttf"));
  EXPECT_FALSE(QueryValue(kFontList, "MvE2E Steps (TrueType)", kView32));

  EXPECT_FALSE(KeyExists("HKLM\\Software\\MvE2ESteps", kView32));
  EXPECT_FALSE(KeyExists("HKCU\\Software\\MvE2ESteps\\Product", kView32));
  EXPECT_FALSE(KeyExists("HKCU\\Software\\MvE2ESteps", kView32)) << "its empty parent goes too";
  EXPECT_TRUE(KeyExists("HKCU\\Software", kView32));
  Reg({"delete", restored, "/f", kView32});
}

// Shared files counted down: a count of 2 goes to 1 and the file stays; a count of 1 goes to 0 and
// the file goes; a COM server is unregistered first; a count-only entry is never removed.
TEST(UninstallSteps, SharedFilesAreCountedDownAndTheLastUserRemovesThem) {
  const Installed i = Install("uninstall-shared", [](mvpack::Project& p) { p.settings.UninstallShared = 2; });
  const fs::path shared = i.folder / "shared";
  fs::create_directories(shared);
  const fs::path still_used = shared / "still-used.dll", last = shared / "last.dll", server = shared / "server.dll",
                 counted = shared / "counted.dll";
  for (const fs::path& f : {still_used, last, counted}) WriteAll(f, mv::Bytes(16, 'd'));
  fs::copy_file(HelperExe("unregister").replace_extension(".dll"), server);
  const std::string marker_key = "HKCU\\Software\\MvE2EUnregister";
  Reg({"delete", marker_key, "/f"});

  const std::vector<std::pair<fs::path, int>> counts = {{still_used, 2}, {last, 1}, {server, 1}, {counted, 1}};
  for (const auto& [file, count] : counts)
    ASSERT_TRUE(Reg({"add", kSharedDlls, "/v", WindowsPathUtf8(file), "/t", "REG_DWORD", "/d", std::to_string(count), "/f",
                     kView32}));
  const std::string entries = "\"" + WindowsPathUtf8(still_used) + "\";\"" + WindowsPathUtf8(last) + "\";\"" +
                              WindowsPathUtf8(server) + "^\";\"" + WindowsPathUtf8(counted) + " \"";
  ASSERT_TRUE(Reg({"add", i.key, "/v", "SharedFiles", "/d", entries, "/f", kView32}));

  const ExitCode r = RunUninstallString(i.key, i.folder);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  EXPECT_FALSE(KeyExists(i.key, kView32));

  EXPECT_TRUE(fs::exists(still_used));
  EXPECT_EQ(QueryValue(kSharedDlls, WindowsPathUtf8(still_used), kView32), (RegValue{"REG_DWORD", "0x1"}));
  EXPECT_FALSE(fs::exists(last));
  EXPECT_EQ(QueryValue(kSharedDlls, WindowsPathUtf8(last), kView32), (RegValue{"REG_DWORD", "0x0"}));
  EXPECT_FALSE(fs::exists(server));
  EXPECT_TRUE(QueryValue(marker_key, WindowsPathUtf8(server), kView32)) << "the COM server was unregistered";
  EXPECT_TRUE(fs::exists(counted)) << "a count-only entry is never removed";
  EXPECT_EQ(QueryValue(kSharedDlls, WindowsPathUtf8(counted), kView32), (RegValue{"REG_DWORD", "0x0"}));

  for (const auto& entry : counts) Reg({"delete", kSharedDlls, "/v", WindowsPathUtf8(entry.first), "/f", kView32});
  Reg({"delete", marker_key, "/f"});
}

// Wine has no Windows Installer package to remove and no driver package: a package that cannot be
// removed is reported and the run ends with 3, keeping its key and its record for a retry. DLLs of
// the names the run loads, planted in the product's folder (where the uninstaller runs from), are
// never loaded; a taskbar pin's unpinning shows no error box.
TEST(UninstallSteps, PackagesDriversAndPinsFailWithoutLoadingPlantedDlls) {
  const Installed i = Install("uninstall-packages");
  const char* planted[] = {"msi", "setupapi"};
  for (const char* name : planted)
    fs::copy_file(HelperExe("marker").replace_extension(".dll"), i.folder / (std::string(name) + ".dll"));
  const std::string overrides = "msi,setupapi=n,b";  // as Windows would, take a DLL from the search path first
  const fs::path pin = i.folder / "User Pinned" / "TaskBar" / "MvE2E Steps.lnk";
  fs::create_directories(pin.parent_path());
  WriteAll(pin, mv::Bytes(8, 'l'));
  {
    std::string record = Text(i.folder / "Uninstall.dat");
    record.insert(0, WindowsPathUtf8(pin) + "\r\n");
    WriteAll(i.folder / "Uninstall.dat", mv::Bytes(record.begin(), record.end()));
  }
  AppendSection(i, "[INF]", {"C:\\Windows\\INF\\oem4242.inf"});
  AppendSection(i, "[MSI]", {"C:\\MvE2E\\missing.msi,2"});

  const ExitCode r = RunUninstallString(i.key, i.folder, overrides);
  ASSERT_FALSE(r.timed_out) << "nothing may wait for a person";
  EXPECT_EQ(r.code, 3u);
  EXPECT_TRUE(KeyExists(i.key, kView32)) << "kept for a retry";
  const std::string record = Text(i.folder / "Uninstall.dat");
  EXPECT_NE(record.find("[MSI]\r\nC:\\MvE2E\\missing.msi,2"), std::string::npos) << record;
  EXPECT_FALSE(fs::exists(pin)) << "the pin's file is deleted like any other";
  EXPECT_FALSE(fs::exists(i.folder / "data.bin"));
  for (const char* name : planted)
    EXPECT_FALSE(fs::exists(i.folder / (std::string(name) + ".dll.loaded"))) << name << ".dll was loaded from the product folder";

  // The control: a program that loads by bare name from that folder does pick up the planted DLL.
  fs::copy_file(HelperExe("loadlib"), i.folder / "loadlib.exe");
  EXPECT_EQ(RunWindows(i.folder / "loadlib.exe", "msi.dll", 60, i.folder, overrides).code, 0u);
  EXPECT_TRUE(fs::exists(i.folder / "msi.dll.loaded")) << "the planted DLL should load in the control";
  Reg({"delete", i.key, "/f", kView32});
}

}  // namespace
}  // namespace mve2e
