#include "vars/variables.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/text.h"

namespace mv {
namespace {

std::string Narrow(std::u16string_view s) { return Utf16ToUtf8(s); }

// A value function over a fixed set of values that records which variables it was asked for.
struct FakeValues {
  std::map<Variable, std::u16string> values;
  std::vector<Variable> asked;

  std::u16string Expand(std::u16string text) {
    ReplaceVariables(text, [this](Variable v) {
      asked.push_back(v);
      auto it = values.find(v);
      return it == values.end() ? u"?" : it->second;
    });
    return text;
  }
};

TEST(Variables, ExpandsEveryOccurrenceInTableOrder) {
  FakeValues fake;
  fake.values = {
      {Variable::kInstallDir, u"C:\\Program Files\\Acme"},
      {Variable::kOldVersionMajor, u"2"},
      {Variable::kOldVersionMinor, u""},
      {Variable::kWinDir, u"C:\\Windows"},
      {Variable::kBits, u"64"},
  };
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"%installdir%\\bin", u"C:\\Program Files\\Acme\\bin"},
      {u"%INSTALLDIR%;%InstallDir%;%iNsTaLlDiR%", u"C:\\Program Files\\Acme;C:\\Program Files\\Acme;C:\\Program Files\\Acme"},
      {u"%oldversionmajor%.%OLDVERSIONMINOR%", u"%oldversionmajor%.%OLDVERSIONMINOR%"},
      {u"v%OldVersionMajor%.%OldVersionMinor%", u"v2."},
      {u"%Bits%%Bits%", u"6464"},
      {u"%Bits", u"%Bits"},
      {u"%WinDir%%", u"C:\\Windows%"},
  };
  for (const auto& c : cases) EXPECT_EQ(fake.Expand(c.in), c.out) << Narrow(c.in);
}

TEST(Variables, TextWithoutVariablesIsUnchangedAndAsksForNothing) {
  FakeValues fake;
  for (const std::u16string text : {u"", u"C:\\Program Files\\Acme", u"100% sure", u"<b>bold</b>"}) {
    EXPECT_EQ(fake.Expand(text), text);
  }
  EXPECT_TRUE(fake.asked.empty());
}

TEST(Variables, LaterRowsSeeWhatEarlierRowsLeft) {
  // %InstallDir% comes before %WinDir% in the table, %WinDir% before %Version%.
  FakeValues fake;
  fake.values = {
      {Variable::kInstallDir, u"%WinDir%\\Acme %Version%"},
      {Variable::kWinDir, u"C:\\Windows %InstallDir%"},  // an earlier row's name is not revisited
      {Variable::kVersion, u"1.0"},
      {Variable::kTemp, u"%Temp%\\x"},  // a value holding its own name is not rescanned
  };
  EXPECT_EQ(fake.Expand(u"%InstallDir%|%temp%"), u"C:\\Windows %InstallDir%\\Acme 1.0|%Temp%\\x");
  // Each variable present is asked for once, in table order; absent ones are never asked for.
  EXPECT_EQ(fake.asked, (std::vector<Variable>{Variable::kInstallDir, Variable::kTemp, Variable::kWinDir,
                                              Variable::kVersion}));
}

TEST(Variables, NamesMapToTheirVariables) {
  // Spot checks across the table, so that an enumerator out of step with its name shows.
  const std::pair<std::u16string, Variable> names[] = {
      {u"%AppDataAllDir%", Variable::kAppDataAllDir},   {u"%CommonDir64%", Variable::kCommonDir64},
      {u"%DesktopShortcuts%", Variable::kDesktopShortcuts}, {u"%Inetpub%", Variable::kInetpub},
      {u"%UninstallerFilepath%", Variable::kUninstallerFilepath}, {u"%Portable%", Variable::kPortable},
      {u"%CompanyName%", Variable::kCompanyName},       {u"%ProgramsDir32%", Variable::kProgramsDir32},
      {u"%StartMenuChosen%", Variable::kStartMenuChosen}, {u"%Temp%", Variable::kTemp},
      {u"%VersionMinor%", Variable::kVersionMinor},     {u"%OS%", Variable::kOS},
      {u"%OSServer%", Variable::kOSServer},
  };
  for (const auto& [name, variable] : names) {
    FakeValues fake;
    fake.Expand(name);
    EXPECT_EQ(fake.asked, std::vector<Variable>{variable}) << Narrow(name);
  }
  // Only the two old-version parts insist on their letter case.
  for (const VariableName& row : kVariableTable) {
    std::u16string lower;
    for (char16_t c : row.name) lower += AsciiLower(c);
    std::u16string text = lower;
    ReplaceVariables(text, [](Variable) { return u"x"; });
    const bool exact = row.name == u"%OldVersionMajor%" || row.name == u"%OldVersionMinor%";
    EXPECT_EQ(text, exact ? lower : u"x") << Narrow(row.name);
  }
}

TEST(Variables, PlaceholdersMatchExactCaseInOrder) {
  auto replace = [](std::u16string text) {
    ReplacePlaceholderNames(text, [](Placeholder p) -> std::u16string {
      switch (p) {
        case Placeholder::kProduct: return u"Acme <os>";
        case Placeholder::kDescription: return u"Tools";
        case Placeholder::kOs: return u"C:\\Windows";
        case Placeholder::kLbDate: return u"05/03/2024";
      }
      return u"?";
    });
    return text;
  };
  EXPECT_EQ(replace(u"<product> - <description> (<lbdate>) <product>"),
            u"Acme C:\\Windows - Tools (05/03/2024) Acme C:\\Windows");
  EXPECT_EQ(replace(u"<Product> <OS> <LBDATE>"), u"<Product> <OS> <LBDATE>");
}

TEST(Variables, LogFilePath) {
  EXPECT_EQ(LogFilePath(u"C:\\Acme", u"uninstall"), u"C:\\Acme\\uninstall\\Install.log");
  EXPECT_EQ(LogFilePath(u"C:\\Acme", u""), u"C:\\Acme\\Install.log");
}

TEST(Variables, VersionNumbers) {
  struct Case {
    std::string version;
    std::int32_t major, minor;
  } cases[] = {
      {" -3.14", -3, 14},   {"1.2.3", 1, 2},      {"2", 2, 0},     {"", 0, 0},
      {"beta", 0, 0},       {"+7.08b", 7, 8},     {"\t 5.-6", 5, -6}, {"1.x", 1, 0},
      {"-", 0, 0},          {"v1.5", 0, 5},       {"99999999999.1", 2147483647, 1},
      {"-99999999999", -2147483647 - 1, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VersionMajor(c.version), c.major) << c.version;
    EXPECT_EQ(VersionMinor(c.version), c.minor) << c.version;
  }
}

TEST(Variables, OldVersionParts) {
  struct Case {
    std::u16string version, major, minor;
  } cases[] = {
      {u"2", u"2", u""}, {u"1.2.3", u"1", u"2"}, {u"", u"", u""}, {u"1.", u"1", u""}, {u".5", u"", u"5"},
      {u"10.04 LTS", u"10", u"04 LTS"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VersionPart(c.version, 0), c.major) << Narrow(c.version);
    EXPECT_EQ(VersionPart(c.version, 1), c.minor) << Narrow(c.version);
  }
}

}  // namespace
}  // namespace mv
