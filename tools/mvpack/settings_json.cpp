#include "settings_json.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "base/text.h"
#include "json_util.h"
#include "package/reader.h"
#include "package/writer.h"

namespace mvpack {

using nlohmann::json;

namespace {

struct NamedBit {
  int bit;
  const char* name;
};

constexpr NamedBit kProductFlagNames[] = {
    {0, "forceUninstallOlder"},
    {1, "uninstallerStartMenuShortcut"},
    {2, "uninstaller"},
    {4, "dialogColors"},
    {5, "compressFileData"},
    {7, "folderPage"},
    {8, "singleInstance"},
    {9, "automaticUninstall"},
    {10, "uninstallDeletesInstallFolder"},
    {11, "replaceLockedFiles"},
    {12, "addToPath"},
    {14, "restartPending"},
    {15, "backgroundBitmap"},
    {16, "masterProduct"},
    {19, "clearFileAttributes"},
    {20, "logEachFile"},
    {21, "disableProgressCancel"},
    {23, "hidePreInstallBatch"},
    {24, "hidePostInstallBatch"},
    {25, "hideExitBatch"},
    {26, "hideUninstallBatch1"},
    {27, "hideUninstallBatch2"},
    {28, "noExistingInstallQuestion"},
    {29, "noBackgroundWindow"},
    {31, "confirmFolder"},
    {32, "registry64"},
    {33, "uninstallerDesktopShortcut"},
    {34, "startMenuPage"},
    {35, "errorsInAutomaticMode"},
    {36, "compareVersions"},
    {37, "refuseNetworkFolder"},
    {38, "uninstallerShortcutInUninstallFolder"},
    {40, "fullScreenBackground"},
    {41, "askRestartInAutomaticMode"},
    {43, "skipGreeting"},
    {44, "askBelowOptionVersion"},
    {45, "restartAfterUninstall"},
    {46, "saveReadme"},
    {47, "saveLicense"},
    {49, "hideFileNames"},
    {50, "loosenFolderSecurity"},
    {51, "progressDialog"},
    {52, "dialogIcons"},
    {53, "rebootMarker"},
    {54, "keepInstallLog"},
    {55, "refuseRemovableDrive"},
    {56, "noUninstallOnRemovable"},
    {57, "offerViewLog"},
    {58, "desktopFolderFromName"},
    {59, "installLogShortcut"},
    {60, "hideUpgradeBatch"},
    {61, "hideReinstallBatch"},
    {62, "loosenSharedFolderSecurity"},
};

constexpr NamedBit kFlags2Names[] = {
    {0, "reinstallBatchOnlyOnReinstall"},
    {1, "restorePoint"},
    {5, "uninstallerWithoutPackage"},
    {6, "namePreInstallBatch"},
    {7, "namePostInstallBatch"},
    {8, "nameUpgradeBatch"},
    {9, "nameReinstallBatch"},
    {10, "newerWindowsOnly"},
    {11, "removableShortcutsOnly"},
    {12, "encrypted"},
    {13, "recordInstallPathRegistry"},
    {15, "noRegistryOnRemovable"},
    {16, "asciiFolderOnly"},
    {17, "noAssociationsOnRemovable"},
    {18, "uninstallCompletionMessage"},
    {19, "noFirewallOnRemovable"},
    {20, "launchDirectly"},
    {21, "uninstallerShortcutInInstallFolder"},
    {22, "showRequiredSpace"},
    {24, "colorSetA"},
    {25, "buttonColors"},
    {26, "colorSetB"},
    {27, "colorSetC"},
};

constexpr const char* kOtherBits = "otherBits";
constexpr const char* kFlags2Key = "productFlags2";
constexpr const char* kPart = "settings";

// ---- encodings -------------------------------------------------------------------------------

std::string HexEncode(std::span<const std::uint8_t> in) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : in) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "0x" followed by 1 to 16 hex digits.
std::uint64_t ParseHexNumber(std::string_view text, const std::string& key) {
  if (text.size() < 3 || text.size() > 18 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
    BadKey(key, "expected a hex number such as \"0x1F\"");
  }
  std::uint64_t v = 0;
  for (char c : text.substr(2)) {
    const int d = HexValue(c);
    if (d < 0) BadKey(key, "expected a hex number such as \"0x1F\"");
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  return v;
}

std::string HexNumber(std::uint64_t v, int digits) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%0*llx", digits, static_cast<unsigned long long>(v));
  return buf;
}

std::string ColourText(std::uint32_t v) {
  char buf[16];
  const unsigned r = v & 0xFF, g = (v >> 8) & 0xFF, b = (v >> 16) & 0xFF, top = v >> 24;
  if (top == 0) {
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", r, g, b);
  } else {
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X%02X", top, r, g, b);
  }
  return buf;
}

std::uint32_t ParseColour(const json& j, const std::string& key) {
  if (!j.is_string()) BadKey(key, "expected a colour \"#RRGGBB\"");
  const std::string& text = j.get_ref<const std::string&>();
  if ((text.size() != 7 && text.size() != 9) || text[0] != '#') BadKey(key, "expected a colour \"#RRGGBB\"");
  std::uint32_t v = 0;
  for (char c : std::string_view(text).substr(1)) {
    const int d = HexValue(c);
    if (d < 0) BadKey(key, "expected a colour \"#RRGGBB\"");
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  // v is 0xTTRRGGBB; the stored form is 0xTTBBGGRR.
  return (v & 0xFF00FF00u) | ((v & 0xFF) << 16) | ((v >> 16) & 0xFF);
}

// ---- the field visitors -----------------------------------------------------------------------

// Writes every field into a JSON object.
class ToJsonVisitor {
 public:
  json out = json::object();

  template <class F>
  void Group(bool present, F&& fields) {
    if (present) fields();
  }
  void Flags(const char* key, std::uint64_t& v) { out[key] = ProductFlagsToJson(v); }
  template <class T>
  void Int(const char* key, T& v) {
    out[key] = v;
  }
  void Real(const char* key, double& v) {
    if (std::isfinite(v)) {
      out[key] = v;
    } else {
      std::uint64_t bits = 0;
      std::memcpy(&bits, &v, sizeof bits);
      out[key] = HexNumber(bits, 16);
    }
  }
  void Colour(const char* key, std::uint32_t& v) { out[key] = ColourText(v); }
  template <std::size_t N>
  void Colours(const char* key, std::array<std::uint32_t, N>& v) {
    json a = json::array();
    for (auto c : v) a.push_back(ColourText(c));
    out[key] = std::move(a);
  }
  void W(const char* key, std::u16string& v) { out[key] = Utf16Json(v); }
  void A(const char* key, std::string& v) { out[key] = Cp1252Json(v); }
  void Utf16Bytes(const char* key, mv::Bytes& v) {
    if (v.size() % 2 == 0) {
      out[key] = Utf16Json(mv::Utf16FromLeBytes(v));
    } else {
      out[key] = json{{"base64", Base64Encode(v)}};
    }
  }
  void Utf8Bytes(const char* key, mv::Bytes& v) {
    const std::string text(v.begin(), v.end());
    out[key] = TextOrBase64(text, mv::Utf16ToUtf8(mv::Utf8ToUtf16(text)) == text, v);
  }
  void Binary(const char* key, mv::Bytes& v) { out[key] = Base64Encode(v); }
  void BinaryList(const char* key, std::vector<mv::Bytes>& v) {
    json a = json::array();
    for (const auto& b : v) a.push_back(Base64Encode(b));
    out[key] = std::move(a);
  }
  template <std::size_t N>
  void Hex(const char* key, std::array<std::uint8_t, N>& v) {
    out[key] = HexEncode(v);
  }
  void DateTime(const char* key, mv::DateTimeFields& v) {
    out[key] = {{"year", v.year}, {"month", v.month},   {"day", v.day},
                {"hour", v.hour}, {"minute", v.minute}, {"second", v.second}};
  }
  void BuildDate(const char* key, mv::BuildDateRecord& v) {
    out[key] = {{"year", v.year}, {"month", v.month}, {"day", v.day}, {"options", HexEncode(v.options)}};
  }
};

// Reads every field that the JSON object has; the others keep their zero values.
class FromJsonVisitor {
 public:
  explicit FromJsonVisitor(const json& in) : in_(in) {}

  // Keys of the object that no field claimed.
  std::set<std::string> unclaimed() const {
    std::set<std::string> keys;
    for (const auto& item : in_.items()) {
      if (!claimed_.count(item.key())) keys.insert(item.key());
    }
    return keys;
  }

  template <class F>
  void Group(bool, F&& fields) {
    fields();
  }
  void Flags(const char* key, std::uint64_t& v) {
    if (const json* j = Find(key)) v = ProductFlagsFromJson(*j);
  }
  template <class T>
  void Int(const char* key, T& v) {
    if (const json* j = Find(key)) v = IntegerValue<T>(*j, key);
  }
  void Real(const char* key, double& v) {
    const json* j = Find(key);
    if (!j) return;
    if (j->is_number()) {
      v = j->get<double>();
    } else if (j->is_string()) {
      const std::uint64_t bits = ParseHexNumber(j->get_ref<const std::string&>(), key);
      std::memcpy(&v, &bits, sizeof v);
    } else {
      BadKey(key, "expected a number");
    }
  }
  void Colour(const char* key, std::uint32_t& v) {
    if (const json* j = Find(key)) v = ParseColour(*j, key);
  }
  template <std::size_t N>
  void Colours(const char* key, std::array<std::uint32_t, N>& v) {
    const json* j = Find(key);
    if (!j) return;
    if (!j->is_array() || j->size() != N) BadKey(key, "expected an array of " + std::to_string(N) + " colours");
    for (std::size_t i = 0; i < N; ++i) v[i] = ParseColour((*j)[i], key);
  }
  void W(const char* key, std::u16string& v) {
    if (const json* j = Find(key)) v = Utf16FromJson(*j, key);
  }
  void A(const char* key, std::string& v) {
    if (const json* j = Find(key)) v = Cp1252FromJson(*j, key);
  }
  void Utf16Bytes(const char* key, mv::Bytes& v) {
    const json* j = Find(key);
    if (!j) return;
    if (!Base64Object(*j, key, v)) v = mv::Utf16ToLeBytes(mv::Utf8ToUtf16(StringValue(*j, key)));
  }
  void Utf8Bytes(const char* key, mv::Bytes& v) {
    const json* j = Find(key);
    if (!j) return;
    if (!Base64Object(*j, key, v)) {
      const std::string& text = StringValue(*j, key);
      v.assign(text.begin(), text.end());
    }
  }
  void Binary(const char* key, mv::Bytes& v) {
    const json* j = Find(key);
    if (!j) return;
    if (!Base64Object(*j, key, v)) v = Base64Decode(StringValue(*j, key), key);
  }
  void BinaryList(const char* key, std::vector<mv::Bytes>& v) {
    const json* j = Find(key);
    if (!j) return;
    if (!j->is_array()) BadKey(key, "expected an array of base64 strings");
    v.clear();
    for (const json& item : *j) v.push_back(Base64Decode(StringValue(item, key), key));
  }
  template <std::size_t N>
  void Hex(const char* key, std::array<std::uint8_t, N>& v) {
    if (const json* j = Find(key)) v = HexBytes<N>(*j, key);
  }
  void DateTime(const char* key, mv::DateTimeFields& v) {
    const json* j = Find(key);
    if (!j) return;
    SubObject(*j, key, {"year", "month", "day", "hour", "minute", "second"});
    mv::DateTimeFields t;
    const std::pair<const char*, std::int32_t*> fields[] = {{"year", &t.year},     {"month", &t.month},
                                                            {"day", &t.day},       {"hour", &t.hour},
                                                            {"minute", &t.minute}, {"second", &t.second}};
    for (const auto& [name, field] : fields) {
      if (j->contains(name)) *field = IntegerValue<std::int32_t>((*j)[name], std::string(key) + "." + name);
    }
    v = t;
  }
  void BuildDate(const char* key, mv::BuildDateRecord& v) {
    const json* j = Find(key);
    if (!j) return;
    SubObject(*j, key, {"year", "month", "day", "options"});
    const std::string k = key;
    mv::BuildDateRecord d;
    if (j->contains("year")) d.year = IntegerValue<std::uint16_t>((*j)["year"], k + ".year");
    if (j->contains("month")) d.month = IntegerValue<std::uint8_t>((*j)["month"], k + ".month");
    if (j->contains("day")) d.day = IntegerValue<std::uint8_t>((*j)["day"], k + ".day");
    if (j->contains("options")) d.options = HexBytes<4>((*j)["options"], k + ".options");
    v = d;
  }

 private:
  const json* Find(const char* key) {
    claimed_.insert(key);
    const auto it = in_.find(key);
    return it == in_.end() ? nullptr : &*it;
  }

  static void SubObject(const json& j, const std::string& key, std::initializer_list<const char*> names) {
    if (!j.is_object()) BadKey(key, "expected an object");
    for (const auto& item : j.items()) {
      bool known = false;
      for (const char* n : names) known = known || item.key() == n;
      if (!known) BadKey(key + "." + item.key(), "unknown key");
    }
  }

  template <std::size_t N>
  static std::array<std::uint8_t, N> HexBytes(const json& j, const std::string& key) {
    const std::string& text = StringValue(j, key);
    if (text.size() != 2 * N) BadKey(key, "expected " + std::to_string(2 * N) + " hex digits");
    std::array<std::uint8_t, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
      const int hi = HexValue(text[2 * i]), lo = HexValue(text[2 * i + 1]);
      if (hi < 0 || lo < 0) BadKey(key, "expected hex digits");
      out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return out;
  }

  const json& in_;
  std::set<std::string> claimed_;
};

// Every setting in stream order, with its key and JSON form.
template <class V>
void VisitSettings(V& v, mv::Settings& s, std::uint32_t product_flags2) {
  v.Flags("productFlags", s.ProductFlags);
  v.Int("automaticDefault", s.AutomaticDefault);
  v.W("taskbarText", s.TaskbarText);
  v.W("displayTitle", s.DisplayTitle);
  v.Real("titleSize", s.TitleSize);
  v.Int("progressPosition", s.ProgressPosition);
  v.Int("minProgressTime", s.MinProgressTime);
  v.Int("shortcutMode", s.ShortcutMode);
  v.DateTime("uninstallerTimes", s.UninstallerTimes);
  v.W("publisher", s.Publisher);
  v.W("displayName", s.DisplayName);
  v.W("productDescription", s.ProductDescription);
  v.Int("bitness", s.Bitness);
  v.Int("uninstallDataChoice", s.UninstallDataChoice);
  v.W("sharedPath", s.SharedPath);
  v.W("fileOptionText", s.FileOptionText);
  v.W("productStartMenu", s.ProductStartMenu);
  v.A("displayVersion", s.DisplayVersion);
  v.W("defaultInstallDir", s.DefaultInstallDir);
  v.W("productRegistry", s.ProductRegistry);
  v.Utf16Bytes("registryScript", s.RegistryScript);
  v.Binary("regMergeData", s.RegMergeData);
  v.W("appPathProgram", s.AppPathProgram);
  v.Int("bitmapSize", s.BitmapSize);
  v.Int("stretchMode", s.StretchMode);
  v.Int("uninstallFonts", s.UninstallFonts);
  v.Int("uninstallShared", s.UninstallShared);
  v.Binary("greetingLinkUrl", s.GreetingLinkUrl);
  v.BinaryList("licenseFiles", s.LicenseFiles);
  v.BinaryList("readmeFiles", s.ReadmeFiles);
  v.W("uninstallSubdir", s.UninstallSubdir);
  v.W("uninstallerFileName", s.UninstallerFileName);
  v.W("uninstallKeyName", s.UninstallKeyName);
  v.W("installPathRegistry", s.InstallPathRegistry);
  v.W("dialogFont", s.DialogFont);
  v.Int("dialogZoom", s.DialogZoom);
  v.W("headerTitle", s.HeaderTitle);
  v.Colour("bannerFG", s.BannerFG);
  v.Int("bannerOption", s.BannerOption);
  v.Colour("titleColor", s.TitleColor);
  v.Int("titleShadow", s.TitleShadow);
  v.Int("titlePosition", s.TitlePosition);
  v.W("titleFont", s.TitleFont);
  v.Colour("topColor", s.TopColor);
  v.Colour("bottomColor", s.BottomColor);
  v.Binary("backgroundBitmap", s.BackgroundBitmap);
  v.Group(!s.BackgroundBitmap.empty(), [&] { v.Int("bitmapTPI", s.BitmapTPI); });
  v.Int("copyrightPos", s.CopyrightPos);
  v.Group(s.CopyrightPos != 0, [&] {
    v.Colour("copyrightColor", s.CopyrightColor);
    v.Real("copyrightSize", s.CopyrightSize);
    v.W("copyrightText", s.CopyrightText);
    v.W("copyrightFont", s.CopyrightFont);
  });
  v.Group((s.ProductFlags & mv::kFlagDialogColours) != 0, [&] {
    v.Colour("dialogBG", s.DialogBG);
    v.Colour("dialogFG", s.DialogFG);
  });
  v.Group((product_flags2 & mv::kFlags2ButtonColours) != 0, [&] {
    v.Colour("buttonBG", s.ButtonBG);
    v.Colour("buttonFG", s.ButtonFG);
    v.Colour("buttonBorder", s.ButtonBorder);
  });
  v.Group((product_flags2 & mv::kFlags2ColorSetA) != 0, [&] { v.Colours("colorSetA", s.ColorSetA); });
  v.Group((product_flags2 & mv::kFlags2ColorSetB) != 0, [&] { v.Colours("colorSetB", s.ColorSetB); });
  v.Group((product_flags2 & mv::kFlags2ColorSetC) != 0, [&] { v.Colours("colorSetC", s.ColorSetC); });
  v.Group((s.ProductFlags & mv::kFlagMasterProduct) != 0, [&] {
    v.W("masterProductKey", s.MasterProductKey);
    v.W("masterProductName", s.MasterProductName);
    v.A("masterMinVersion", s.MasterMinVersion);
  });
  v.Binary("startupSound", s.StartupSound);
  v.W("desktopFolder", s.DesktopFolder);
  v.Binary("desktopFolderIcon", s.DesktopFolderIcon);
  v.A("preInstallBatch", s.PreInstallBatch);
  v.A("postInstallBatch", s.PostInstallBatch);
  v.A("exitBatch", s.ExitBatch);
  v.A("uninstallBatch1", s.UninstallBatch1);
  v.A("uninstallBatch2", s.UninstallBatch2);
  v.A("upgradeBatch", s.UpgradeBatch);
  v.A("reinstallBatch", s.ReinstallBatch);
  v.Hex("reserved", s.Reserved);
  v.Int("excludedWindows", s.ExcludedWindows);
  v.Int("externalData", s.ExternalData);
  v.W("launchProgram", s.LaunchProgram);
  v.W("launchDocument", s.LaunchDocument);
  v.W("launchFile", s.LaunchFile);
  v.A("approvalUrl", s.ApprovalUrl);
  v.A("startedUrl", s.StartedUrl);
  v.A("installedUrl", s.InstalledUrl);
  v.A("upgradedUrl", s.UpgradedUrl);
  v.A("downgradedUrl", s.DowngradedUrl);
  v.A("reinstalledUrl", s.ReinstalledUrl);
  v.A("notifyURL", s.NotifyURL);
  v.A("linkNotifyUrl", s.LinkNotifyUrl);
  v.A("cancelUrl", s.CancelUrl);
  v.A("failureUrl", s.FailureUrl);
  v.W("feedbackURL", s.FeedbackURL);
  v.A("optionText8", s.OptionText8);
  v.A("noDowngradeBelow", s.NoDowngradeBelow);
  v.BuildDate("buildDate", s.BuildDate);
  v.W("installPassword", s.InstallPassword);
  v.A("minUpgradeVersion", s.MinUpgradeVersion);
  v.Utf8Bytes("firewallRules", s.FirewallRules);
  v.W("addToPathSubfolder", s.AddToPathSubfolder);
  v.Int("extraDiskSpace", s.ExtraDiskSpace);
  v.Int("integrityCheck", s.IntegrityCheck);
  v.Int("blockedStatus", s.BlockedStatus);
  v.Int("approvedStatus", s.ApprovedStatus);
  v.Int("greetingDlgStyle", s.GreetingDlgStyle);
  v.Int("languageDlgStyle", s.LanguageDlgStyle);
  v.Int("licenseDlgStyle", s.LicenseDlgStyle);
  v.Int("readmeDlgStyle", s.ReadmeDlgStyle);
  v.Int("chooseDirDlgStyle", s.ChooseDirDlgStyle);
  v.Int("startMenuDlgStyle", s.StartMenuDlgStyle);
  v.Int("progressStyle", s.ProgressStyle);
  v.Int("summaryDlgStyle", s.SummaryDlgStyle);
  v.Group((s.ProductFlags & mv::kFlagUninstaller) != 0,
          [&] { v.Binary("uninstallerIcon", s.UninstallerIcon); });
}

template <std::size_t N>
json FlagsToJson(std::uint64_t flags, const NamedBit (&names)[N], int digits) {
  json out = json::object();
  std::uint64_t named = 0;
  for (const NamedBit& n : names) {
    const std::uint64_t mask = 1ull << n.bit;
    out[n.name] = (flags & mask) != 0;
    named |= mask;
  }
  if (const std::uint64_t other = flags & ~named; other != 0) out[kOtherBits] = HexNumber(other, digits);
  return out;
}

template <std::size_t N>
std::uint64_t FlagsFromJson(const json& j, const NamedBit (&names)[N], const std::string& key,
                            std::uint64_t all_bits) {
  if (!j.is_object()) BadKey(key, "expected an object of named flags");
  std::uint64_t flags = 0;
  std::uint64_t named = 0;
  for (const NamedBit& n : names) named |= 1ull << n.bit;
  for (const auto& item : j.items()) {
    const std::string item_key = key + "." + item.key();
    if (item.key() == kOtherBits) {
      const json& v = item.value();
      const std::uint64_t other = v.is_string() ? ParseHexNumber(v.get_ref<const std::string&>(), item_key)
                                                : IntegerValue<std::uint64_t>(v, item_key);
      if (other & ~all_bits) BadKey(item_key, "value wider than the flags word");
      if (other & named) BadKey(item_key, "holds bits that have names; set those by name");
      flags |= other;
      continue;
    }
    const NamedBit* found = nullptr;
    for (const NamedBit& n : names) {
      if (item.key() == n.name) found = &n;
    }
    if (!found) BadKey(item_key, "unknown flag");
    if (!item.value().is_boolean()) BadKey(item_key, "expected true or false");
    if (item.value().get<bool>()) flags |= 1ull << found->bit;
  }
  return flags;
}

}  // namespace

json ProductFlagsToJson(std::uint64_t flags) { return FlagsToJson(flags, kProductFlagNames, 16); }

std::uint64_t ProductFlagsFromJson(const json& j) {
  return InPart(kPart, [&] { return FlagsFromJson(j, kProductFlagNames, "productFlags", ~0ull); });
}

json Flags2ToJson(std::uint32_t flags2) { return FlagsToJson(flags2, kFlags2Names, 8); }

std::uint32_t Flags2FromJson(const json& j) {
  return InPart(kPart, [&] {
    return static_cast<std::uint32_t>(FlagsFromJson(j, kFlags2Names, kFlags2Key, 0xFFFFFFFFull));
  });
}

json SettingsToJson(const mv::Settings& settings, std::uint32_t product_flags2) {
  mv::Settings copy = settings;
  ToJsonVisitor v;
  VisitSettings(v, copy, product_flags2);
  v.out[kFlags2Key] = Flags2ToJson(product_flags2);
  return std::move(v.out);
}

mv::Settings SettingsFromJson(const json& j) {
  if (!j.is_object()) throw std::runtime_error("settings: expected a JSON object");
  return InPart(kPart, [&] {
    mv::Settings s;
    FromJsonVisitor v(j);
    VisitSettings(v, s, 0);
    for (const std::string& key : v.unclaimed()) {
      if (key != kFlags2Key) BadKey(key, "unknown setting");
    }
    if (s.OptionText8.find('\0') != std::string::npos) BadKey("optionText8", "text cannot hold a zero character");
    return s;
  });
}

}  // namespace mvpack
