#include "lib/os_version.h"

#include <algorithm>
#include <iterator>

#include "base/codepage.h"

namespace mv {

namespace {

bool IsNt(const OsInfo& os) { return os.platform == kPlatformNt; }
bool Is(const OsInfo& os, std::uint32_t major, std::uint32_t minor) {
  return os.major == major && os.minor == minor;
}

// Windows 10 and 11 share version 10.0; builds tell them apart.
constexpr std::uint32_t kFirstWindows11Build = 21327;
constexpr std::uint32_t kFirstServer2019Build = 17600;
constexpr std::uint32_t kFirstServer2022Build = 19504;
constexpr std::uint32_t kFirstServer2025Build = 25921;

// Server releases of version 10.0 by build, in the order of the constants above.
int Server10Release(std::uint32_t build) {
  if (build < kFirstServer2019Build) return 0;  // 2016
  if (build < kFirstServer2022Build) return 1;  // 2019
  if (build < kFirstServer2025Build) return 2;  // 2022
  return 3;                                     // 2025
}

std::string Numbers(const char* prefix, std::uint32_t major, std::uint32_t minor) {
  return prefix + std::to_string(major) + "." + std::to_string(minor);
}

struct WindowsName {
  std::string full;
  std::string short_form;
};

WindowsName Name(std::string full, std::string short_form) { return {std::move(full), std::move(short_form)}; }
WindowsName Name(const std::string& both) { return {both, both}; }

WindowsName Win9xName(const OsInfo& os) {
  if (os.major == 4 && os.minor < 10) return Name(os.build == 1111 ? "95 OSR2" : "95");
  if (os.major == 4 && os.minor < 90) return Name(os.build == 2222 ? "98 SE" : "98");
  if (os.major == 4) return Name("ME");
  return Name(Numbers("9x ", os.major, os.minor));
}

WindowsName Nt5Name(const OsInfo& os) {
  const std::uint32_t suite = os.suite_mask;
  if (os.minor == 0) {
    std::string words = !IsServer(os)                  ? " Professional"
                        : (suite & kSuiteDatacenter) ? " Datacenter Server"
                        : (suite & kSuiteEnterprise) ? " Advanced Server"
                                                     : " Server";
    return Name("2000" + words, "2000");
  }
  if (os.minor == 1) {
    std::string full = (suite & kSuitePersonal) ? "XP Home" : "XP Professional";
    if (suite & kSuiteEmbedded) full += " Embedded";
    if (os.media_center) full += " Media Center";
    if (os.starter) full += " Starter";
    if (os.tablet_pc) full += " Tablet PC";
    return Name(full, "XP");
  }
  if (os.minor == 2) {
    std::string name;
    if (suite & kSuiteHomeServer) {
      name = "Home Server";
    } else if (!IsServer(os)) {
      return Name("XP Professional", "XP");
    } else {
      name = (suite & kSuiteStorageServer) ? "Storage Server 2003" : "Server 2003";
      if (os.server_r2) name += " R2";
    }
    std::string full = name;
    if (suite & kSuiteEnterprise) full += " Enterprise";
    if (suite & kSuiteWebServer) full += " Web";
    if (suite & kSuiteComputeServer) full += " Compute Cluster";
    if (name.starts_with("Storage Server ")) name.erase(0, 15);
    if (name.starts_with("Server ")) name.erase(0, 7);
    return Name(full, name);
  }
  return Name(Numbers("NT ", 5, os.minor));
}

WindowsName Nt6Name(const OsInfo& os) {
  const bool server = IsServer(os);
  switch (os.minor) {
    case 0:
      return server ? Name("Server 2008", "2008") : Name("Vista");
    case 1:
      if (os.edition == kEditionHomePremiumServer) return Name("Home Server 2011");
      return server ? Name("Server 2008 R2", "2008 R2") : Name("7");
    case 2:
      return server ? Name("Server 2012", "2012") : Name("8");
    case 3:
      return server ? Name("Server 2012 R2", "2012 R2") : Name("8.1");
    case 4:
      return Name("10 alpha", "10");
    default:
      return Name(Numbers("NT ", 6, os.minor), "NT6");
  }
}

WindowsName Nt10Name(const OsInfo& os) {
  if (!IsServer(os)) return Name(os.build < kFirstWindows11Build ? "10" : "11");
  static const char* const kYears[] = {"2016", "2019", "2022", "2025"};
  const std::string year = kYears[Server10Release(os.build)];
  return Name("Server " + year, year);
}

WindowsName NameOf(const OsInfo& os) {
  if (os.platform == kPlatformWin9x) return Win9xName(os);
  if (!IsNt(os)) return Name(Numbers("", os.major, os.minor));
  if (os.major <= 4) return Name(Numbers("NT ", os.major, os.minor));
  if (os.major == 5) return Nt5Name(os);
  if (os.major == 6) return Nt6Name(os);
  if (Is(os, 10, 0)) return Nt10Name(os);
  return Name(Numbers("NT ", os.major, os.minor));
}

void Append(std::string& text, const std::string& piece) {
  if (piece.empty()) return;
  text += ' ';
  text += piece;
}

std::string TrimRight(std::string text) {
  const auto last = text.find_last_not_of(" \t\r\n\v\f");
  text.erase(last == std::string::npos ? 0 : last + 1);
  return text;
}

struct Edition {
  std::uint32_t code;
  const char* name;
};

// GetProductInfo codes and their edition names.
constexpr Edition kEditions[] = {
    {0x01, "Ultimate"},
    {0x02, "Home Basic"},
    {0x03, "Home Premium"},
    {0x04, "Enterprise"},
    {0x05, "Home Basic N"},
    {0x06, "Business"},
    {0x07, "Server Standard"},
    {0x08, "Datacenter"},
    {0x09, "Small Business Server"},
    {0x0A, "Server Enterprise"},
    {0x0B, "Starter"},
    {0x0C, "Datacenter (core)"},
    {0x0D, "Server Standard (core)"},
    {0x0E, "Server Enterprise (core)"},
    {0x0F, "Server Enterprise for Itanium"},
    {0x10, "Business N"},
    {0x11, "Web Server"},
    {0x12, "HPC Edition"},
    {0x13, "Storage Server Essentials"},
    {0x14, "Storage Server Express"},
    {0x15, "Storage Server Standard"},
    {0x16, "Storage Server Workgroup"},
    {0x17, "Storage Server Enterprise"},
    {0x18, "Essential Server Solutions"},
    {0x19, "Small Business Server Premium"},
    {0x1A, "Home Premium N"},
    {0x1B, "Enterprise N"},
    {0x1C, "Ultimate N"},
    {0x1D, "Web Server (core)"},
    {0x1E, "Essential Business Server Management"},
    {0x1F, "Essential Business Server Security"},
    {0x20, "Essential Business Server Messaging"},
    {0x21, "Server Foundation"},
    // 0x22 is Home Server 2011, which the name already says.
    {0x23, "Essential Server Solutions (without Hyper-V)"},
    {0x24, "Server Standard (without Hyper-V)"},
    {0x25, "Datacenter (without Hyper-V)"},
    {0x26, "Server Enterprise (without Hyper-V)"},
    {0x27, "Datacenter (core) (without Hyper-V)"},
    {0x28, "Server Standard (core) (without Hyper-V)"},
    {0x29, "Server Enterprise (core) (without Hyper-V)"},
    {0x2A, "Hyper-V Server"},
    {0x2B, "Storage Server Express (core)"},
    {0x2C, "Storage Server Standard (core)"},
    {0x2D, "Storage Server Workgroup (core)"},
    {0x2E, "Storage Server Enterprise (core)"},
    {0x2F, "Starter N"},
    {0x30, "Professional"},
    {0x31, "Professional N"},
    {0x32, "Small Business Server Essentials"},
    {0x33, "Server for Small Business Solutions"},
    {0x34, "Server Solutions Premium"},
    {0x35, "Server Solutions Premium (core)"},
    {0x36, "Small Business Server Essentials EM"},
    {0x37, "Server for Small Business Solutions EM"},
    {0x38, "MultiPoint Server"},
    {0x39, "MultiPoint Server (core)"},
    {0x3A, "Professional Embedded"},
    {0x3B, "Essential Business Server Management"},
    {0x3C, "Essential Business Server Additional"},
    {0x3D, "Essential Business Server Management Services"},
    {0x3E, "Essential Business Server Additional Services"},
    {0x3F, "Small Business Server Premium (core)"},
    {0x40, "HPC Edition (without Hyper-V)"},
    {0x41, "Embedded"},
    {0x42, "Starter E"},
    {0x43, "Home Basic E"},
    {0x44, "Home Premium E"},
    {0x45, "Professional E"},
    {0x46, "Enterprise E"},
    {0x47, "Ultimate E"},
    {0x48, "Enterprise Evaluation"},
    {0x4C, "MultiPoint Server Standard"},
    {0x4D, "MultiPoint Server Premium"},
    {0x4F, "Server Standard Evaluation"},
    {0x50, "Datacenter Evaluation"},
    {0x54, "Enterprise N Evaluation"},
    {0x55, "Embedded Automotive"},
    {0x56, "Embedded Industry A"},
    {0x57, "Thin PC"},
    {0x58, "Embedded A"},
    {0x59, "Embedded Industry"},
    {0x5A, "Embedded E"},
    {0x5B, "Embedded Industry E"},
    {0x5C, "Embedded Industry A E"},
    {0x5F, "Storage Server Workgroup Evaluation"},
    {0x60, "Storage Server Standard Evaluation"},
    {0x61, "RT"},
    {0x62, "Home N"},
    {0x63, "Home China"},
    {0x64, "Home Single Language"},
    {0x65, "Home"},
    {0x67, "Professional with Media Center"},
    {0x68, "Mobile"},
    {0x69, "Embedded Industry Evaluation"},
    {0x6A, "Embedded Industry E Evaluation"},
    {0x6B, "Embedded Evaluation"},
    {0x6C, "Embedded E Evaluation"},
    {0x6D, "Nano Server"},
    {0x6E, "Cloud Storage Server"},
    {0x6F, "Home Connected"},
    {0x70, "Professional Student"},
    {0x71, "Home Connected N"},
    {0x72, "Professional Student N"},
    {0x73, "Home Connected Single Language"},
    {0x74, "Home Connected China"},
    {0x79, "Education"},
    {0x7A, "Education N"},
    {0x7B, "IoT Core"},
    {0x7C, "Cloud Host Infrastructure Server"},
    {0x7D, "Enterprise LTSB"},
    {0x7E, "Enterprise LTSB N"},
    {0x7F, "Professional S"},
    {0x80, "Professional S N"},
    {0x81, "Enterprise LTSB Evaluation"},
    {0x82, "Enterprise LTSB N Evaluation"},
    {0x83, "IoT Core Commercial"},
    {0x85, "Mobile Enterprise"},
    {0x87, "Holographic"},
    {0x8A, "Professional Single Language"},
    {0x8B, "Professional China"},
    {0x8C, "Enterprise Subscription"},
    {0x8D, "Enterprise Subscription N"},
    {0x8F, "Datacenter Nano Server"},
    {0x90, "Server Standard Nano Server"},
    {0x91, "Datacenter (core) Semi-Annual Channel"},
    {0x92, "Server Standard (core) Semi-Annual Channel"},
    {0x93, "Datacenter (core) Windows Server"},
    {0x94, "Server Standard (core) Windows Server"},
    {0x9F, "Datacenter Evaluation (core)"},
    {0xA0, "Server Standard Evaluation (core)"},
    {0xA1, "Pro for Workstations"},
    {0xA2, "Pro for Workstations N"},
    {0xA4, "Pro Education"},
    {0xA5, "Pro Education N"},
    {0xA8, "Datacenter Azure Edition (core)"},
    {0xAB, "Enterprise G"},
    {0xAC, "Enterprise G N"},
    {0xAF, "Enterprise multi-session"},
    {0xB2, "S"},
    {0xB3, "S N"},
    {0xBC, "IoT Enterprise"},
    {0xBF, "IoT Enterprise LTSC"},
    {0xABCDABCD, "Unlicensed"},
};

}  // namespace

bool IsServer(const OsInfo& os) {
  return os.product_type == kProductDomainController || os.product_type == kProductServer;
}

bool Is64Bit(const OsInfo& os) {
  return os.native_architecture == kArchitectureAmd64 || os.native_architecture == kArchitectureIa64;
}

int OsNumber(const OsInfo& os) {
  if (!IsNt(os)) return 0;
  const bool server = IsServer(os);
  if (Is(os, 5, 1)) return 20;
  if (Is(os, 5, 2)) {
    if (os.suite_mask & kSuiteHomeServer) return 28;
    if (!server) return Is64Bit(os) ? 24 : 20;
    return os.server_r2 ? 26 : 22;
  }
  if (Is(os, 6, 0)) return server ? 32 : 30;
  if (Is(os, 6, 1)) {
    if (os.edition == kEditionHomePremiumServer) return 38;
    return server ? 34 : 36;
  }
  if (Is(os, 6, 2)) return server ? 42 : 40;
  if (Is(os, 6, 3)) return server ? 46 : 44;
  if (Is(os, 6, 4)) return 48;
  if (Is(os, 10, 0)) {
    if (!server) return os.build < kFirstWindows11Build ? 48 : 56;
    static constexpr int kServerNumbers[] = {50, 52, 60, 64};
    return kServerNumbers[Server10Release(os.build)];
  }
  return 0;
}

std::uint32_t OsBit(const OsInfo& os) {
  std::uint32_t bit = 0x1;
  const bool server = IsServer(os);
  if (os.platform == kPlatformWin32s) {
    bit = 0x2;
  } else if (os.platform == kPlatformWin9x) {
    if (os.major == 4) bit = os.minor < 10 ? 0x4 : os.minor < 90 ? 0x8 : 0x10;
  } else if (IsNt(os)) {
    if (os.major <= 3) {
      bit = 0x20;
    } else if (os.major == 4) {
      bit = 0x40;
    } else if (Is(os, 5, 0)) {
      bit = 0x80;
    } else if (Is(os, 5, 1)) {
      bit = 0x100;
    } else if (Is(os, 5, 2)) {
      bit = server ? 0x200 : 0x100;
    } else if (Is(os, 6, 0)) {
      bit = server ? 0x800 : 0x400;
    } else if (Is(os, 6, 1)) {
      bit = server ? 0x800 : 0x1000;
    } else if (Is(os, 6, 2) || Is(os, 6, 3)) {
      bit = server ? 0x4000 : 0x2000;
    } else if (Is(os, 6, 4)) {
      bit = 0x8000;
    } else if (Is(os, 10, 0)) {
      if (!server) {
        bit = os.build < kFirstWindows11Build ? 0x8000 : 0x80000;
      } else {
        static constexpr std::uint32_t kServerBits[] = {0x10000, 0x20000, 0x20000, 0x100000};
        bit = kServerBits[Server10Release(os.build)];
      }
    }
  }
  if (os.wine_version) bit |= kOsBitWine;
  return bit;
}

std::string EditionName(std::uint32_t edition) {
  const auto it = std::find_if(std::begin(kEditions), std::end(kEditions),
                               [edition](const Edition& e) { return e.code == edition; });
  return it != std::end(kEditions) ? it->name : "";
}

std::string OsText(const OsInfo& os, int flags) {
  const WindowsName name = NameOf(os);
  if (flags & kOsTextShortName) return TrimRight(name.short_form);

  std::string text;
  if (os.wine_version) text = "WINE " + *os.wine_version + " reporting as ";
  text += "Windows " + name.full;
  if (!(flags & kOsTextNoEdition)) {
    if (IsNt(os) && os.major >= 6) Append(text, EditionName(os.edition));
    if (Is64Bit(os)) Append(text, "x64");
  }
  if (!(flags & kOsTextNoServicePack)) Append(text, Utf16ToCp1252(os.service_pack));
  if (!(flags & kOsTextNoReleaseId) && IsNt(os) && Is(os, 10, 0) && !IsServer(os)) {
    Append(text, Utf16ToCp1252(os.release_id));
  }
  return TrimRight(std::move(text));
}

}  // namespace mv
