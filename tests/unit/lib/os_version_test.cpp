#include "lib/os_version.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace mv {
namespace {

constexpr int kWs = kProductWorkstation;
constexpr int kSrv = kProductServer;
constexpr int kDc = kProductDomainController;

OsInfo Nt(std::uint32_t major, std::uint32_t minor, std::uint32_t build, int type = kWs) {
  OsInfo os;
  os.platform = kPlatformNt;
  os.major = major;
  os.minor = minor;
  os.build = build;
  os.product_type = type;
  return os;
}

OsInfo Platform(int platform, std::uint32_t major, std::uint32_t minor, std::uint32_t build) {
  OsInfo os = Nt(major, minor, build);
  os.platform = platform;
  return os;
}

OsInfo WithSuite(OsInfo os, std::uint32_t suite) {
  os.suite_mask = suite;
  return os;
}
OsInfo WithEdition(OsInfo os, std::uint32_t edition) {
  os.edition = edition;
  return os;
}
OsInfo X64(OsInfo os) {
  os.native_architecture = kArchitectureAmd64;
  return os;
}
OsInfo R2(OsInfo os) {
  os.server_r2 = true;
  return os;
}
OsInfo WithArch(OsInfo os, std::uint16_t architecture) {
  os.native_architecture = architecture;
  return os;
}
OsInfo WithSp(OsInfo os, const char16_t* service_pack) {
  os.service_pack = service_pack;
  return os;
}
OsInfo WithRelease(OsInfo os, const char16_t* release_id) {
  os.release_id = release_id;
  return os;
}
OsInfo UnderWine(OsInfo os, const char* version) {
  os.wine_version = version;
  return os;
}
OsInfo XpWith(std::uint32_t suite, bool media_center, bool starter, bool tablet_pc) {
  OsInfo os = WithSuite(Nt(5, 1, 2600), suite);
  os.media_center = media_center;
  os.starter = starter;
  os.tablet_pc = tablet_pc;
  return os;
}

struct IdCase {
  const char* what;
  OsInfo os;
  int number;
  std::uint32_t bit;
  const char* short_name;
};

const IdCase kIdCases[] = {
    {"Win32s", Platform(kPlatformWin32s, 3, 10, 0), 0, 0x2, "3.10"},
    {"95", Platform(kPlatformWin9x, 4, 0, 950), 0, 0x4, "95"},
    {"95 OSR2", Platform(kPlatformWin9x, 4, 0, 1111), 0, 0x4, "95 OSR2"},
    {"98", Platform(kPlatformWin9x, 4, 10, 1998), 0, 0x8, "98"},
    {"98 SE", Platform(kPlatformWin9x, 4, 10, 2222), 0, 0x8, "98 SE"},
    {"98 at 4.89", Platform(kPlatformWin9x, 4, 89, 0), 0, 0x8, "98"},
    {"ME", Platform(kPlatformWin9x, 4, 90, 3000), 0, 0x10, "ME"},
    {"9x of another major", Platform(kPlatformWin9x, 5, 0, 0), 0, 0x1, "9x 5.0"},
    {"unknown platform", Platform(3, 1, 2, 0), 0, 0x1, "1.2"},
    {"NT 3.51", Nt(3, 51, 1057), 0, 0x20, "NT 3.51"},
    {"NT 4", Nt(4, 0, 1381), 0, 0x40, "NT 4.0"},
    {"2000", Nt(5, 0, 2195), 0, 0x80, "2000"},
    {"2000 Server", Nt(5, 0, 2195, kSrv), 0, 0x80, "2000"},
    {"XP", Nt(5, 1, 2600), 20, 0x100, "XP"},
    {"XP x64", X64(Nt(5, 2, 3790)), 24, 0x100, "XP"},
    {"5.2 workstation, 32-bit", Nt(5, 2, 3790), 20, 0x100, "XP"},
    {"Server 2003", Nt(5, 2, 3790, kSrv), 22, 0x200, "2003"},
    {"Server 2003 domain controller", Nt(5, 2, 3790, kDc), 22, 0x200, "2003"},
    {"Server 2003 R2", R2(Nt(5, 2, 3790, kSrv)), 26, 0x200, "2003 R2"},
    {"Storage Server 2003", WithSuite(Nt(5, 2, 3790, kSrv), kSuiteStorageServer), 22, 0x200, "2003"},
    {"Home Server", WithSuite(Nt(5, 2, 3790, kSrv), kSuiteHomeServer), 28, 0x200, "Home Server"},
    {"NT 5.3", Nt(5, 3, 0), 0, 0x1, "NT 5.3"},
    {"Vista", Nt(6, 0, 6002), 30, 0x400, "Vista"},
    {"Server 2008", Nt(6, 0, 6002, kSrv), 32, 0x800, "2008"},
    {"7", Nt(6, 1, 7601), 36, 0x1000, "7"},
    {"Server 2008 R2", Nt(6, 1, 7601, kSrv), 34, 0x800, "2008 R2"},
    {"Home Server 2011", WithEdition(Nt(6, 1, 7601, kSrv), kEditionHomePremiumServer), 38, 0x800,
     "Home Server 2011"},
    {"8", Nt(6, 2, 9200), 40, 0x2000, "8"},
    {"Server 2012", Nt(6, 2, 9200, kSrv), 42, 0x4000, "2012"},
    {"8.1", Nt(6, 3, 9600), 44, 0x2000, "8.1"},
    {"Server 2012 R2", Nt(6, 3, 9600, kSrv), 46, 0x4000, "2012 R2"},
    {"10 preview as 6.4", Nt(6, 4, 9841), 48, 0x8000, "10"},
    {"6.4 server", Nt(6, 4, 9841, kSrv), 48, 0x8000, "10"},
    {"other 6.x", Nt(6, 5, 0), 0, 0x1, "NT6"},
    {"10 first release", Nt(10, 0, 10240), 48, 0x8000, "10"},
    {"10 22H2", Nt(10, 0, 19045), 48, 0x8000, "10"},
    {"last 10 build", Nt(10, 0, 21326), 48, 0x8000, "10"},
    {"first 11 build", Nt(10, 0, 21327), 56, 0x80000, "11"},
    {"11 23H2", Nt(10, 0, 22631), 56, 0x80000, "11"},
    {"Server 2016", Nt(10, 0, 14393, kSrv), 50, 0x10000, "2016"},
    {"last 2016 build", Nt(10, 0, 17599, kSrv), 50, 0x10000, "2016"},
    {"first 2019 build", Nt(10, 0, 17600, kSrv), 52, 0x20000, "2019"},
    {"Server 2019", Nt(10, 0, 17763, kDc), 52, 0x20000, "2019"},
    {"last 2019 build", Nt(10, 0, 19503, kSrv), 52, 0x20000, "2019"},
    {"first 2022 build", Nt(10, 0, 19504, kSrv), 60, 0x20000, "2022"},
    {"Server 2022", Nt(10, 0, 20348, kSrv), 60, 0x20000, "2022"},
    {"last 2022 build", Nt(10, 0, 25920, kSrv), 60, 0x20000, "2022"},
    {"first 2025 build", Nt(10, 0, 25921, kSrv), 64, 0x100000, "2025"},
    {"Server 2025", Nt(10, 0, 26100, kSrv), 64, 0x100000, "2025"},
    {"10.1", Nt(10, 1, 0), 0, 0x1, "NT 10.1"},
    {"11.0", Nt(11, 0, 30000), 0, 0x1, "NT 11.0"},
};

TEST(OsVersion, NumberBitAndShortNameOfEveryVersion) {
  for (const auto& c : kIdCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(OsNumber(c.os), c.number);
    EXPECT_EQ(OsBit(c.os), c.bit);
    EXPECT_EQ(OsText(c.os, kOsTextShortName), c.short_name);
  }
}

TEST(OsVersion, WineAddsItsBitAndPrefixButKeepsNumberAndName) {
  for (const auto& c : kIdCases) {
    SCOPED_TRACE(c.what);
    OsInfo os = c.os;
    os.wine_version = "8.0";
    EXPECT_EQ(OsBit(os), c.bit | kOsBitWine);
    EXPECT_EQ(OsNumber(os), c.number);
    EXPECT_EQ(OsText(os, kOsTextShortName), c.short_name);
    EXPECT_EQ(OsText(os, 0).rfind("WINE 8.0 reporting as Windows ", 0), 0u) << OsText(os, 0);
    EXPECT_EQ(OsText(os, 11).rfind("WINE 8.0 reporting as Windows ", 0), 0u) << OsText(os, 11);
  }
}

TEST(OsVersion, ServerAnd64BitFacts) {
  EXPECT_FALSE(IsServer(Nt(10, 0, 19045, kWs)));
  EXPECT_TRUE(IsServer(Nt(10, 0, 20348, kDc)));
  EXPECT_TRUE(IsServer(Nt(10, 0, 20348, kSrv)));
  EXPECT_FALSE(IsServer(Nt(10, 0, 20348, 0)));  // unknown type counts as a workstation

  const struct {
    std::uint16_t architecture;
    bool is64;
  } archs[] = {{0, false}, {5, false}, {kArchitectureIa64, true}, {kArchitectureAmd64, true}, {12, false}};
  for (const auto& a : archs) EXPECT_EQ(Is64Bit(WithArch(Nt(10, 0, 19045), a.architecture)), a.is64) << a.architecture;
}

OsInfo Seven() { return WithSp(X64(WithEdition(Nt(6, 1, 7601), 0x01)), u"Service Pack 1"); }
OsInfo Ten() { return WithRelease(X64(WithEdition(Nt(10, 0, 19045), 0x30)), u"2009"); }

struct TextCase {
  const char* what;
  OsInfo os;
  int flags;
  const char* expected;
};

const TextCase kTextCases[] = {
    {"7", Seven(), 0, "Windows 7 Ultimate x64 Service Pack 1"},
    {"7", Seven(), 1, "Windows 7 Ultimate x64"},
    {"7", Seven(), 2, "Windows 7 Service Pack 1"},
    {"7", Seven(), 4, "7"},
    {"7: release id only on 10.0", WithRelease(Seven(), u"2009"), 0, "Windows 7 Ultimate x64 Service Pack 1"},
    {"7", Seven(), 8, "Windows 7 Ultimate x64 Service Pack 1"},
    {"7", Seven(), 11, "Windows 7"},
    {"10", Ten(), 0, "Windows 10 Professional x64 2009"},
    {"10", Ten(), 1, "Windows 10 Professional x64 2009"},
    {"10", Ten(), 2, "Windows 10 2009"},
    {"10", Ten(), 4, "10"},
    {"10", Ten(), 8, "Windows 10 Professional x64"},
    {"10", Ten(), 11, "Windows 10"},
    {"10: short name wins over the other flags", Ten(), 15, "10"},
    {"Wine", UnderWine(Seven(), "8.0"), 0, "WINE 8.0 reporting as Windows 7 Ultimate x64 Service Pack 1"},
    {"Wine", UnderWine(Seven(), "8.0"), 11, "WINE 8.0 reporting as Windows 7"},
    {"Wine", UnderWine(Seven(), "8.0"), 4, "7"},
    {"Wine version with blanks", UnderWine(Nt(10, 0, 19045), "8.0 (Staging)"), 0,
     "WINE 8.0 (Staging) reporting as Windows 10"},
    {"11 on ARM64 is not x64", WithRelease(WithArch(WithEdition(Nt(10, 0, 22631), 0x65), 12), u"2009"), 0,
     "Windows 11 Home 2009"},
    {"servers show no release id", WithRelease(X64(WithEdition(Nt(10, 0, 20348, kSrv), 0x08)), u"2009"), 0,
     "Windows Server 2022 Datacenter x64"},
    {"core edition", WithEdition(Nt(6, 0, 6001, kSrv), 0x0D), 0, "Windows Server 2008 Server Standard (core)"},
    {"unknown edition code adds nothing", WithEdition(Nt(10, 0, 19045), 0x9999), 0, "Windows 10"},
    {"edition names start at 6.0", WithSp(WithEdition(XpWith(kSuitePersonal, true, false, false), 0x30), u"Service Pack 3"),
     0, "Windows XP Home Media Center Service Pack 3"},
    {"XP words", XpWith(kSuiteEmbedded, false, true, true), 2, "Windows XP Professional Embedded Starter Tablet PC"},
    {"2003 R2 with suite words",
     WithSp(R2(X64(WithSuite(Nt(5, 2, 3790, kSrv), kSuiteEnterprise | kSuiteComputeServer))), u"Service Pack 2"), 0,
     "Windows Server 2003 R2 Enterprise Compute Cluster x64 Service Pack 2"},
    {"2003 Web", WithSuite(Nt(5, 2, 3790, kSrv), kSuiteWebServer), 0, "Windows Server 2003 Web"},
    {"Storage Server", WithSuite(Nt(5, 2, 3790, kSrv), kSuiteStorageServer), 0, "Windows Storage Server 2003"},
    {"XP x64", X64(Nt(5, 2, 3790)), 0, "Windows XP Professional x64"},
    {"2000 Professional", Nt(5, 0, 2195), 0, "Windows 2000 Professional"},
    {"2000 Datacenter", WithSuite(Nt(5, 0, 2195, kSrv), kSuiteDatacenter | kSuiteEnterprise), 0,
     "Windows 2000 Datacenter Server"},
    {"2000 Advanced", WithSuite(Nt(5, 0, 2195, kSrv), kSuiteEnterprise), 0, "Windows 2000 Advanced Server"},
    {"2000 Server", Nt(5, 0, 2195, kDc), 0, "Windows 2000 Server"},
    {"other 6.x", Nt(6, 7, 0), 0, "Windows NT 6.7"},
    {"10 alpha", Nt(6, 4, 9841), 0, "Windows 10 alpha"},
    {"Home Server 2011", WithEdition(Nt(6, 1, 7601, kSrv), kEditionHomePremiumServer), 0, "Windows Home Server 2011"},
    {"98 SE", Platform(kPlatformWin9x, 4, 10, 2222), 0, "Windows 98 SE"},
    // Trailing white space goes, wherever it comes from.
    {"trailing blanks of the service pack", WithSp(Nt(6, 1, 7601), u"Service Pack 1 \t "), 0, "Windows 7 Service Pack 1"},
    {"trailing blanks of the release id", WithRelease(Nt(10, 0, 19045), u"22H2  "), 0, "Windows 10 22H2"},
    {"blank service pack", WithSp(Nt(10, 0, 19045), u"  "), 8, "Windows 10"},
    // The description is Windows-1252.
    {"service pack in Windows-1252", WithSp(Nt(6, 1, 7601), u"Pack \u00e4\u20ac\u4e2d"), 0, "Windows 7 Pack \xe4\x80?"},
};

TEST(OsVersion, DescriptionUnderFlags) {
  for (const auto& c : kTextCases) {
    SCOPED_TRACE(std::string(c.what) + ", flags " + std::to_string(c.flags));
    EXPECT_EQ(OsText(c.os, c.flags), c.expected);
  }
}

TEST(OsVersion, EditionNames) {
  const struct {
    std::uint32_t code;
    const char* name;
  } cases[] = {
      {0x00, ""},
      {0x01, "Ultimate"},
      {0x02, "Home Basic"},
      {0x03, "Home Premium"},
      {0x04, "Enterprise"},
      {0x06, "Business"},
      {0x07, "Server Standard"},
      {0x08, "Datacenter"},
      {0x09, "Small Business Server"},
      {0x0C, "Datacenter (core)"},
      {0x24, "Server Standard (without Hyper-V)"},
      {0x30, "Professional"},
      {0x65, "Home"},
      {kEditionHomePremiumServer, ""},  // the name of the version already says it
      {0xABCDABCD, "Unlicensed"},
      {0x12345, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(EditionName(c.code), c.name) << c.code;
}

}  // namespace
}  // namespace mv
