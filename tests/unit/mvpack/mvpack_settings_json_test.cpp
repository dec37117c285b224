#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "settings_fixture.h"
#include "settings_json.h"

namespace mvpack {
namespace {

using mv::testing::FullSettings;
using mv::testing::kAllGroupsFlags2;
using nlohmann::json;

TEST(MvpackSettingsJson, FullValueRoundTripsThroughJsonText) {
  const mv::Settings full = FullSettings();
  const json j = json::parse(SettingsToJson(full, kAllGroupsFlags2).dump(2));
  const mv::Settings back = SettingsFromJson(j);
  EXPECT_TRUE(back == full);
  EXPECT_EQ(Flags2FromJson(j.at("productFlags2")), kAllGroupsFlags2);
  EXPECT_EQ(mv::WriteSettings(back, kAllGroupsFlags2), mv::WriteSettings(full, kAllGroupsFlags2));
}

TEST(MvpackSettingsJson, ValuesTakeTheirReadableForms) {
  const json j = SettingsToJson(FullSettings(), kAllGroupsFlags2);
  EXPECT_EQ(j.at("displayName"), "Product");
  EXPECT_EQ(j.at("taskbarText"), "Taskbar \u00e9");
  EXPECT_EQ(j.at("displayVersion"), "1.2.3\u20ac");  // code page 1252 byte 0x80
  EXPECT_EQ(j.at("topColor"), "#998877");            // stored 0x00778899 = blue 0x77, red 0x99
  EXPECT_EQ(j.at("buttonBorder"), "#FF121110");
  EXPECT_EQ(j.at("colorSetA"), json::array({"#151413", "#181716"}));
  EXPECT_EQ(j.at("registryScript"), "HK");
  EXPECT_EQ(j.at("licenseFiles"), json::array({"AQIDBA==", "", "CQo="}));
  EXPECT_EQ(j.at("uninstallerTimes").at("day"), 29);
  EXPECT_EQ(j.at("buildDate").at("options"), "01020304");
  EXPECT_EQ(j.at("extraDiskSpace"), 0x123456789ALL);
  // Texts a JSON string cannot carry exactly keep their stored bytes.
  EXPECT_EQ(j.at("copyrightFont"), json({{"base64", "RgBvAG4AdAAA2A=="}}));
  EXPECT_EQ(j.at("firewallRules"), json({{"base64", "ODA7bjsxOzD/"}}));

  const json& flags = j.at("productFlags");
  EXPECT_EQ(flags.at("uninstaller"), true);
  EXPECT_EQ(flags.at("masterProduct"), true);
  EXPECT_EQ(flags.at("skipGreeting"), false);
  EXPECT_EQ(flags.at("otherBits"), "0x8000000000400000");  // bits 22 and 63 have no name
  EXPECT_EQ(j.at("productFlags2").at("colorSetB"), true);
  EXPECT_EQ(j.at("productFlags2").at("encrypted"), true);
  EXPECT_FALSE(j.at("productFlags2").contains("otherBits"));
}

TEST(MvpackSettingsJson, AbsentGroupsAreLeftOutAndMissingKeysAreZero) {
  mv::Settings s = FullSettings();
  s.CopyrightPos = 0;
  s.ProductFlags = 0;
  const json j = SettingsToJson(s, 0);
  for (const char* key : {"copyrightText", "copyrightColor", "dialogBG", "buttonBG", "colorSetA", "colorSetB",
                          "colorSetC", "masterProductKey", "uninstallerIcon"}) {
    EXPECT_FALSE(j.contains(key)) << key;
  }
  EXPECT_TRUE(j.contains("desktopFolder"));

  EXPECT_TRUE(SettingsFromJson(json::object()) == mv::Settings{});
  mv::Settings only_name;
  only_name.DisplayName = u"X";
  only_name.ProductFlags = mv::kFlagUninstaller | (1ull << 22);
  EXPECT_TRUE(SettingsFromJson({{"displayName", "X"},
                                {"productFlags", {{"uninstaller", true}, {"otherBits", 0x400000}}}}) ==
              only_name);
}

TEST(MvpackSettingsJson, InvalidValuesNameTheirKey) {
  struct Case {
    json input;
    std::string key;
  } cases[] = {
      {{{"bitness", 256}}, "bitness"},
      {{{"bitness", "1"}}, "bitness"},
      {{{"minProgressTime", -1}}, "minProgressTime"},
      {{{"dialogZoom", 1.5}}, "dialogZoom"},
      {{{"topColor", "#12345"}}, "topColor"},
      {{{"topColor", "112233"}}, "topColor"},
      {{{"colorSetB", {"#000000"}}}, "colorSetB"},
      {{{"displayVersion", "\u03a9"}}, "displayVersion"},  // not in code page 1252
      {{{"displayName", 5}}, "displayName"},
      {{{"displayName", {{"base64", "AAA"}}}}, "displayName"},
      {{{"licenseFiles", {"@@@@"}}}, "licenseFiles"},
      {{{"startupSound", "QUJD="}}, "startupSound"},
      {{{"reserved", "00"}}, "reserved"},
      {{{"titleSize", true}}, "titleSize"},
      {{{"uninstallerTimes", {{"yr", 1}}}}, "uninstallerTimes.yr"},
      {{{"buildDate", {{"month", 300}}}}, "buildDate.month"},
      {{{"optionText8", std::string("1\0", 2)}}, "optionText8"},
      {{{"productFlags", {{"noSuchFlag", true}}}}, "productFlags.noSuchFlag"},
      {{{"productFlags", {{"uninstaller", 1}}}}, "productFlags.uninstaller"},
      {{{"productFlags", {{"otherBits", "0x4"}}}}, "productFlags.otherBits"},  // bit 2 has a name
      {{{"productFlags", 4}}, "productFlags"},
      {{{"displayNme", "typo"}}, "displayNme"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input.dump());
    try {
      SettingsFromJson(c.input);
      ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("\"" + c.key + "\""), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(Flags2FromJson({{"otherBits", "0x100000000"}}), std::runtime_error);
}

}  // namespace
}  // namespace mvpack
