#include "engine/firewall_rules.h"

namespace mv {

std::optional<FirewallRule> SplitFirewallRule(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = line.find(';', start);
    fields.emplace_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (fields.size() != 4) return std::nullopt;
  return FirewallRule{fields[0], fields[1], fields[2], fields[3]};
}

bool IsFirewallPortTarget(std::string_view target) {
  if (target.empty()) return false;
  for (char ch : target)
    if (ch < '0' || ch > '9') return false;
  return true;
}

std::optional<std::uint16_t> FirewallPort(std::string_view target) {
  if (!IsFirewallPortTarget(target)) return std::nullopt;
  std::uint32_t port = 0;
  for (char ch : target) {
    port = port * 10 + static_cast<std::uint32_t>(ch - '0');
    if (port > 65535) return std::nullopt;
  }
  if (port == 0) return std::nullopt;
  return static_cast<std::uint16_t>(port);
}

std::vector<long> FirewallProtocols(std::string_view mask) {
  if (mask.empty()) return {};
  // Only the two low bits count, and they are the number modulo 4: any length of digits reads.
  std::uint32_t bits = 0;
  for (char ch : mask) {
    if (ch < '0' || ch > '9') return {};
    bits = (bits * 10 + static_cast<std::uint32_t>(ch - '0')) % 4;
  }
  std::vector<long> protocols;
  if (bits & 1) protocols.push_back(kFirewallTcp);
  if (bits & 2) protocols.push_back(kFirewallUdp);
  return protocols;
}

}  // namespace mv
