#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "lists_fixture.h"
#include "lists_json.h"

namespace mvpack {
namespace {

using mv::testing::FullLists;
using nlohmann::json;

TEST(MvpackListsJson, FullValueRoundTripsThroughJsonText) {
  const mv::Lists full = FullLists();
  const json j = json::parse(ListsToJson(full).dump(2));
  const mv::Lists back = ListsFromJson(j);
  EXPECT_TRUE(back == full);
  EXPECT_EQ(mv::WriteLists(back), mv::WriteLists(full));
}

TEST(MvpackListsJson, ValuesTakeTheirReadableForms) {
  const json j = ListsToJson(FullLists());
  EXPECT_EQ(j.at("deletions").at(1).at("comparison"), "2.0\u20ac");  // code page 1252 byte 0x80
  EXPECT_EQ(j.at("associations").at(0).at("fileType"), "Marevault.Document");
  EXPECT_EQ(j.at("associations").at(0).at("extension"), ".mvd \u00e9");
  const json& shortcut = j.at("shortcuts").at(0);
  EXPECT_EQ(shortcut.at("desktop"), true);
  EXPECT_EQ(shortcut.at("startup"), 2);  // neither 0 nor 1: the stored byte
  EXPECT_EQ(shortcut.at("workingFolder"), "<installdir>");
  EXPECT_EQ(j.at("shortcuts").at(1).at("keep"), false);
  EXPECT_EQ(j.at("uninstallRegistry").at(1).at("type"), 4);
  EXPECT_EQ(j.at("productIcon"), "AAABAAEAEBD/gA==");
  EXPECT_EQ(j.at("closePrograms").at(1).at("windowTitle"), "Monitor \u2014 App");

  const json& english = j.at("languages").at(1);
  EXPECT_EQ(english.at("name"), "English");
  EXPECT_EQ(english.at("texts").at("1"), "Error");
  EXPECT_EQ(english.at("texts").at("2"), json({{"base64", "TABpAG4AZQAgADEADQAKAEwAaQBuAGUAIAAA3A=="}}));
  EXPECT_EQ(j.at("languages").at(0).at("texts"), json({{"1", "Fehler"}, {"2", "Zeile 1\r\nZeile 2"}}));
  EXPECT_EQ(j.at("textCount"), 4);  // text 3 is empty everywhere

  mv::Lists filled = FullLists();
  filled.Languages[0].texts[3] = u"last";
  EXPECT_FALSE(ListsToJson(filled).contains("textCount"));
}

TEST(MvpackListsJson, TextsTakeTheHighestListedNumberAcrossLanguages) {
  const json j = json::parse(R"({
    "languages": [
      {"name": "English", "texts": {"0": "Hello", "2": "Two"}},
      {"name": "Deutsch", "texts": {"7": "Sieben"}},
      {"name": "Empty"}
    ],
    "shortcuts": [{"target": "a.exe", "desktop": true, "startup": 3}],
    "closePrograms": [{"windowClass": "*Main", "action": 2, "flags": 1}]
  })");
  const mv::Lists l = ListsFromJson(j);
  ASSERT_EQ(l.Languages.size(), 3u);
  for (const mv::Language& language : l.Languages) EXPECT_EQ(language.texts.size(), 8u);
  EXPECT_EQ(mv::LanguageText(l, 0, 2), u"Two");
  EXPECT_EQ(mv::LanguageText(l, 0, 1), u"");
  EXPECT_EQ(mv::LanguageText(l, 1, 7), u"Sieben");
  EXPECT_EQ(mv::LanguageText(l, 2, 0), u"");
  ASSERT_EQ(l.ShortcutList.size(), 1u);
  EXPECT_EQ(l.ShortcutList[0].desktop, 1);
  EXPECT_EQ(l.ShortcutList[0].startup, 3);
  EXPECT_TRUE(l.ShortcutList[0].from_settings);
  EXPECT_EQ(l.CloseProgramList.at(0).action, 2u);

  json counted = j;
  counted["textCount"] = 10;
  EXPECT_EQ(ListsFromJson(counted).Languages[2].texts.size(), 10u);

  EXPECT_TRUE(ListsFromJson(json::object()) == mv::Lists{});
}

TEST(MvpackListsJson, ErrorsNameTheKey) {
  struct Case {
    const char* json_text;
    std::string key;
  } cases[] = {
      {R"({"deletion": []})", "deletion"},
      {R"({"shortcuts": [{"target": "a", "bogus": 1}]})", "shortcuts[0].bogus"},
      {R"({"shortcuts": [{}, {"keep": 256}]})", "shortcuts[1].keep"},
      {R"({"shortcuts": {}})", "shortcuts"},
      {R"({"associations": [{"description": "\u2603"}]})", "associations[0].description"},
      {R"({"closePrograms": [{"action": 256}]})", "closePrograms[0].action"},
      {R"({"uninstallRegistry": [{"type": -1}]})", "uninstallRegistry[0].type"},
      {R"({"productIcon": "abc"})", "productIcon"},
      {R"({"languages": [{"name": "English", "title": "x"}]})", "languages[0].title"},
      {R"({"languages": [{"texts": {"01": "x"}}]})", "languages[0].texts.01"},
      {R"({"languages": [{"texts": {"x": "x"}}]})", "languages[0].texts.x"},
      {R"({"languages": [{"texts": {"10000": "x"}}]})", "languages[0].texts.10000"},
      {R"({"languages": [{"texts": {"4": "x"}}], "textCount": 4})", "textCount"},
      {R"({"languages": [{"texts": {"0": "x"}}], "textCount": 10001})", "textCount"},
      {R"({"textCount": 3})", "textCount"},
      // Conditional deletions the installer could not read would stop it as damaged.
      {R"({"deletions": [{"condition": 1, "comparison": "2026/13/01"}]})", "deletions[0].comparison"},
      {R"({"deletions": [{}, {"condition": 3, "comparison": "2026/02/30 10:00:00"}]})", "deletions[1].comparison"},
      {R"({"deletions": [{"condition": 5, "comparison": "1 KB"}]})", "deletions[0].comparison"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json_text);
    try {
      ListsFromJson(json::parse(c.json_text));
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("lists key \"" + c.key + "\""), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace mvpack
