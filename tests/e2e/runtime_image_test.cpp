// The runtime's executable as Windows sees it: a 32-bit GUI program that needs no DLL of ours or of
// the toolchain.
#include "harness.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <regex>
#include <set>

namespace mve2e {
namespace {

std::string Objdump(const fs::path& exe) {
  std::string command = "i686-w64-mingw32-objdump -p '" + exe.string() + "'";
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0) out.append(buffer.data(), n);
  pclose(p);
  return out;
}

TEST(RuntimeImage, IsAGuiPe32ImportingOnlySystemLibraries) {
  std::string dump = Objdump(RuntimeExe());
  ASSERT_FALSE(dump.empty()) << "objdump could not read " << RuntimeExe();
  EXPECT_NE(dump.find("file format pei-i386"), std::string::npos);
  EXPECT_TRUE(std::regex_search(dump, std::regex(R"(Magic\s+010b\s+\(PE32\))")));
  EXPECT_TRUE(std::regex_search(dump, std::regex(R"(Subsystem\s+00000002\s+\(Windows GUI\))")));

  // Only DLLs that Windows always loads from the system folder (its known DLLs) may be imported:
  // any other import would be looked for beside the installer before the first line runs. The
  // rest (wintrust, gdiplus, winmm, comctl32, ...) are loaded by name from the system folder.
  static const std::set<std::string> kSystem = {
      "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
      "oleaut32.dll", "comdlg32.dll", "shlwapi.dll", "msvcrt.dll", "ws2_32.dll", "ntdll.dll",
      "rpcrt4.dll", "imm32.dll", "setupapi.dll", "psapi.dll", "normaliz.dll", "nsi.dll", "sechost.dll",
      "combase.dll", "wldap32.dll", "difxapi.dll", "clbcatq.dll", "msctf.dll", "imagehlp.dll"};
  std::regex dll(R"(DLL Name: (\S+))");
  int count = 0;
  for (std::sregex_iterator it(dump.begin(), dump.end(), dll), end; it != end; ++it, ++count) {
    std::string name = (*it)[1];
    for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(kSystem.count(name)) << "imports " << name;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
}  // namespace mve2e
