// Identification of the running Windows from the facts the system reports: the version number of
// the "%OS%" variable, the bit of the package's refused-versions mask, and the name and description
// texts. Portable: the Windows layer (lib/os_info) gathers an OsInfo once; everything here only
// reads it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mv {

// Platform ids as the system reports them.
inline constexpr int kPlatformWin32s = 0;
inline constexpr int kPlatformWin9x = 1;
inline constexpr int kPlatformNt = 2;

// Product types as the system reports them.
inline constexpr int kProductWorkstation = 1;
inline constexpr int kProductDomainController = 2;
inline constexpr int kProductServer = 3;

// Suite bits named by the name rules.
inline constexpr std::uint32_t kSuiteEnterprise = 0x0002;
inline constexpr std::uint32_t kSuiteEmbedded = 0x0040;
inline constexpr std::uint32_t kSuiteDatacenter = 0x0080;
inline constexpr std::uint32_t kSuitePersonal = 0x0200;
inline constexpr std::uint32_t kSuiteWebServer = 0x0400;
inline constexpr std::uint32_t kSuiteStorageServer = 0x2000;
inline constexpr std::uint32_t kSuiteComputeServer = 0x4000;
inline constexpr std::uint32_t kSuiteHomeServer = 0x8000;

// The GetProductInfo code of Windows Home Server 2011, which the 6.1 rules single out.
inline constexpr std::uint32_t kEditionHomePremiumServer = 34;

// Native processor architectures that make Windows 64-bit.
inline constexpr std::uint16_t kArchitectureIa64 = 6;
inline constexpr std::uint16_t kArchitectureAmd64 = 9;

// The exclusion bit added to every other bit when the process runs under Wine.
inline constexpr std::uint32_t kOsBitWine = 0x40000;

struct OsInfo {
  int platform = kPlatformNt;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::u16string service_pack;  // e.g. u"Service Pack 1"; empty when none
  std::uint32_t service_pack_major = 0;
  std::uint32_t service_pack_minor = 0;
  std::uint32_t suite_mask = 0;
  int product_type = kProductWorkstation;
  std::uint32_t edition = 0;               // GetProductInfo code (6.0 and later); 0 when unknown
  std::uint16_t native_architecture = 0;   // processor architecture of the native system
  bool server_r2 = false;                  // system metric 89 (Server 2003 R2)
  bool media_center = false;               // system metric 87 (XP Media Center)
  bool starter = false;                    // system metric 88 (XP Starter)
  bool tablet_pc = false;                  // system metric 86 (XP Tablet PC)
  std::optional<std::string> wine_version; // set when running under Wine
  std::u16string release_id;               // "ReleaseId" of the NT CurrentVersion key; empty when absent
};

// Flags of OsText. 0 gives the full description.
inline constexpr int kOsTextNoServicePack = 1;  // leave out the service-pack text
inline constexpr int kOsTextNoEdition = 2;      // leave out the edition name and " x64"
inline constexpr int kOsTextShortName = 4;      // the short name alone: no prefix, nothing after it
inline constexpr int kOsTextNoReleaseId = 8;    // leave out the release identifier

bool IsServer(const OsInfo& os);  // product type domain controller or server
bool Is64Bit(const OsInfo& os);   // native x64 or IA-64

// The "%OS%" number: 0 for anything not in the table (only NT-family versions have one).
int OsNumber(const OsInfo& os);

// The bit of the refused-versions mask; under Wine kOsBitWine is added.
std::uint32_t OsBit(const OsInfo& os);

// The Windows name or description in Windows-1252, without trailing white space.
//
// Full form: under Wine "WINE <version> reporting as ", then "Windows ", the name (with the suite
// words of 2000, XP and Server 2003), then, each separated by one space and left out when empty,
// the edition name of the GetProductInfo code (6.0 and later), "x64" on 64-bit Windows, the
// service-pack text and, on 10.0 workstations, the release identifier. Flags 1, 2 and 8 leave out
// their pieces and may be combined.
//
// Short form (flag 4, which overrides the others): the name without prefix, suite words or
// anything after it. Server names drop their leading "Server " ("2003", "2008 R2", "2022"),
// "10 alpha" becomes "10", "XP Professional" (5.2 workstation) "XP", other 6.x "NT6"; release
// markers that are part of the name stay ("95 OSR2", "98 SE", "2003 R2").
std::string OsText(const OsInfo& os, int flags);

// The edition name of a GetProductInfo code, without a leading space ("Ultimate",
// "Server Standard (core)"); empty for codes without a name.
std::string EditionName(std::uint32_t edition);

}  // namespace mv
