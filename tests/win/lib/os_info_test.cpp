// The OS facts as Wine reports them, in this process and in programs told to report another Windows.
#include "lib/os_info_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/handle_win.h"
#include "lib/registry_key_win.h"

namespace mv {
namespace {

constexpr wchar_t kProbeVariable[] = L"MV_OS_INFO_PROBE";

// Started with MV_OS_INFO_PROBE set to a file name, this program writes what GatherOsInfo finds
// there (one fact a line) and ends before any test runs. Wine decides the Windows version it
// reports when a process starts, so a version switch is seen only by a new process.
const bool kProbeRan = [] {
  wchar_t out[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(kProbeVariable, out, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  const OsInfo os = GatherOsInfo();
  const std::string text = std::to_string(os.major) + "." + std::to_string(os.minor) + "." + std::to_string(os.build) +
                           "\n" + std::to_string(OsNumber(os)) + "\n" + std::to_string(OsBit(os)) + "\n" +
                           OsText(os, kOsTextShortName) + "\n" + OsText(os, 0) + "\n";
  UniqueHandle file(CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  const bool ok = file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  file.reset();
  ExitProcess(ok ? 0 : 1);
}();

std::wstring UserTempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, buffer);
  return buffer;
}

std::string ReadAll(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (file && ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// What a copy of this program reports when Wine is told to present `wine_version` ("win10") to it.
// The setting is made for the copy's file name alone (HKCU\Software\Wine\AppDefaults\<name>, value
// "Version"), so other programs sharing the prefix keep the prefix's own version; the key, the copy
// and its report are removed afterwards.
class VersionProbe {
 public:
  explicit VersionProbe(const wchar_t* wine_version) {
    const std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter_);
    exe_name_ = L"mv-os-probe-" + tag + L".exe";
    exe_ = UserTempFolder() + exe_name_;
    out_ = UserTempFolder() + L"mv-os-probe-" + tag + L".txt";
    app_key_ = L"Software\\Wine\\AppDefaults\\" + exe_name_;

    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !CopyFileW(self, exe_.c_str(), TRUE)) return;
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, app_key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS) {
      return;
    }
    const RegistryKey key(raw);
    const DWORD bytes = static_cast<DWORD>((wcslen(wine_version) + 1) * sizeof(wchar_t));
    if (RegSetValueExW(key.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(wine_version), bytes) !=
        ERROR_SUCCESS) {
      return;
    }

    SetEnvironmentVariableW(kProbeVariable, out_.c_str());
    std::wstring command = L"\"" + exe_ + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(exe_.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &si, &pi);
    SetEnvironmentVariableW(kProbeVariable, nullptr);
    if (!started) return;
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
      TerminateProcess(process.get(), 1);
      WaitForSingleObject(process.get(), 5000);
      return;
    }
    DWORD code = 1;
    if (GetExitCodeProcess(process.get(), &code) && code == 0) lines_ = Lines(ReadAll(out_));
  }

  ~VersionProbe() {
    RegDeleteKeyW(HKEY_CURRENT_USER, app_key_.c_str());
    DeleteFileW(exe_.c_str());
    DeleteFileW(out_.c_str());
  }

  bool ok() const { return lines_.size() == 5; }
  const std::string& version() const { return lines_[0]; }
  int number() const { return std::stoi(lines_[1]); }
  std::uint32_t bit() const { return static_cast<std::uint32_t>(std::stoul(lines_[2])); }
  const std::string& short_name() const { return lines_[3]; }
  const std::string& description() const { return lines_[4]; }
  const std::wstring& app_key() const { return app_key_; }

 private:
  static inline int counter_ = 0;
  std::wstring exe_name_, exe_, out_, app_key_;
  std::vector<std::string> lines_;
};

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

TEST(OsInfo, ThisProcessSeesWineOnA64BitPrefix) {
  if (!UnderWine()) GTEST_SKIP() << "needs Wine";
  const OsInfo& os = GetOsInfo();
  EXPECT_EQ(&GetOsInfo(), &os);  // gathered once

  using WineGetVersionFn = const char*(__cdecl*)();
  auto wine_get_version = reinterpret_cast<WineGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
  ASSERT_TRUE(os.wine_version.has_value());
  EXPECT_EQ(*os.wine_version, wine_get_version());
  EXPECT_FALSE(os.wine_version->empty());

  const std::string description = OsText(os, 0);
  EXPECT_EQ(description.rfind("WINE " + *os.wine_version + " reporting as Windows ", 0), 0u) << description;
  EXPECT_EQ(OsText(os, 11).rfind("WINE ", 0), 0u);
  EXPECT_EQ(OsText(os, kOsTextShortName).find("WINE"), std::string::npos);
  EXPECT_TRUE(OsBit(os) & kOsBitWine);

  // The prefix is 64-bit while this program is 32-bit: the native architecture tells.
  EXPECT_TRUE(Is64Bit(os));
  EXPECT_NE(description.find(" x64"), std::string::npos) << description;
  EXPECT_EQ(os.platform, kPlatformNt);
  EXPECT_GE(os.major, 5u);
  EXPECT_NE(OsNumber(os), 0);

  // A fresh gathering agrees with the cached one.
  const OsInfo again = GatherOsInfo();
  EXPECT_EQ(again.major, os.major);
  EXPECT_EQ(again.minor, os.minor);
  EXPECT_EQ(again.build, os.build);
  EXPECT_EQ(OsText(again, 0), description);
}

TEST(OsInfo, FollowsTheVersionWineReports) {
  if (!UnderWine()) GTEST_SKIP() << "needs Wine";
  // Not "win7" or "win2008r2": Wine 8.0 gives each the other's product type.
  const struct {
    const wchar_t* wine_version;
    const char* version_prefix;
    int number;
    std::uint32_t bit;
    const char* short_name;
    const char* name;  // what follows "WINE <version> reporting as "
  } cases[] = {
      {L"win10", "10.0.", 48, 0x8000, "10", "Windows 10"},
      {L"win81", "6.3.", 44, 0x2000, "8.1", "Windows 8.1"},
      {L"win2008", "6.0.", 32, 0x800, "2008", "Windows Server 2008"},
      {L"win2003", "5.2.", 22, 0x200, "2003", "Windows Server 2003"},
      {L"winxp64", "5.2.", 24, 0x100, "XP", "Windows XP Professional x64"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring app_key;
    {
      VersionProbe probe(c.wine_version);
      app_key = probe.app_key();
      ASSERT_TRUE(probe.ok());
      EXPECT_EQ(probe.version().rfind(c.version_prefix, 0), 0u) << probe.version();
      EXPECT_EQ(probe.number(), c.number);
      EXPECT_EQ(probe.bit(), c.bit | kOsBitWine);
      EXPECT_EQ(probe.short_name(), c.short_name);
      const std::string& description = probe.description();
      EXPECT_EQ(description.rfind("WINE ", 0), 0u) << description;
      EXPECT_NE(description.find(std::string(" reporting as ") + c.name), std::string::npos) << description;
    }
    // The switch was made for the probe alone and is gone with it.
    EXPECT_FALSE(RegistryKey::Open(HKEY_CURRENT_USER, app_key.c_str()));
  }
}

}  // namespace
}  // namespace mv
