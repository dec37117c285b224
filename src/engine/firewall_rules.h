// The rules of firewall exceptions: a rule line's four fields, whether its target is a port or a
// program, and which protocols its protocol mask selects. The installation opens what a rule names
// and the uninstallation removes it again, with the same reading of the line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

// The protocol numbers the firewall service takes.
inline constexpr long kFirewallTcp = 6;
inline constexpr long kFirewallUdp = 17;

// A rule line's fields as written: "target;name;protocols;options".
struct FirewallRule {
  std::string target;     // a port number (all digits) or a program path (a NarrowPath)
  std::string name;       // the display name in UTF-8; empty means the product name
  std::string protocols;  // a decimal mask: bit 0 TCP, bit 1 UDP
  std::string options;    // a rule whose options begin with "1" is not kept for the uninstaller
  bool operator==(const FirewallRule&) const = default;
};

// Nothing for a line that does not have exactly four fields separated by ";".
std::optional<FirewallRule> SplitFirewallRule(std::string_view line);

// The port a target names: all digits, from 1 to 65535. Nothing for a program path (anything that
// is not all digits) and for a digit string outside that range, which no port can have.
std::optional<std::uint16_t> FirewallPort(std::string_view target);
// Whether a target is written as a port number (all digits), whatever its value.
bool IsFirewallPortTarget(std::string_view target);

// The protocol numbers a mask selects, TCP first: bit 0 gives 6, bit 1 gives 17. A field that is
// not a decimal number selects none.
std::vector<long> FirewallProtocols(std::string_view mask);

}  // namespace mv
