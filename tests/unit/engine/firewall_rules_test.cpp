#include "engine/firewall_rules.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(FirewallRules, SplitsExactlyFourFields) {
  EXPECT_EQ(SplitFirewallRule("8080;Web;3;0"), (FirewallRule{"8080", "Web", "3", "0"}));
  EXPECT_EQ(SplitFirewallRule("bin\\app.exe;;1;"), (FirewallRule{"bin\\app.exe", "", "1", ""}));
  EXPECT_EQ(SplitFirewallRule(";;;"), (FirewallRule{"", "", "", ""}));
  for (const char* line : {"", "8080", "8080;Web;3", "8080;Web;3;0;extra", ";;;;"})
    EXPECT_FALSE(SplitFirewallRule(line)) << line;
}

TEST(FirewallRules, PortTargets) {
  struct Case {
    const char* target;
    bool port_form;
    std::optional<std::uint16_t> port;
  } cases[] = {
      {"8080", true, 8080},
      {"1", true, 1},
      {"65535", true, 65535},
      {"00080", true, 80},
      {"0", true, std::nullopt},                      // no port has the number 0
      {"65536", true, std::nullopt},                  // beyond the range
      {"99999999999999999999", true, std::nullopt},  // no overflow into a small number
      {"", false, std::nullopt},
      {"80a", false, std::nullopt},                   // a program path, however short
      {"-80", false, std::nullopt},
      {" 80", false, std::nullopt},
      {"C:\\p\\app.exe", false, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsFirewallPortTarget(c.target), c.port_form) << c.target;
    EXPECT_EQ(FirewallPort(c.target), c.port) << c.target;
  }
}

// Bit 0 selects TCP (protocol number 6), bit 1 UDP (17): the numbers the firewall service takes.
TEST(FirewallRules, ProtocolMask) {
  struct Case {
    const char* mask;
    std::vector<long> protocols;
  } cases[] = {
      {"0", {}},
      {"1", {6}},
      {"2", {17}},
      {"3", {6, 17}},
      {"7", {6, 17}},  // higher bits mean nothing
      {"4", {}},
      {"4294967297", {6}},       // 2^32 + 1: the low bits of a long number
      {"", {}},
      {"x", {}},
      {"1x", {}},
      {"-1", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(FirewallProtocols(c.mask), c.protocols) << c.mask;
}

}  // namespace
}  // namespace mv
