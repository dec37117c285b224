// The firewall service as the system at hand offers it. Wine's firewall objects connect and
// accept the calls without keeping any exception (its port removal answers "not implemented", its
// program removal succeeds), so what is checked here is our side: the connect chain reaches the
// current profile, the removals reach the service without a fault, and nothing is called unconnected.
#include "engine/firewall_win.h"

#include <gtest/gtest.h>

#include "engine/firewall_rules.h"

namespace mv {
namespace {

TEST(Firewall, RemovalsNeedAConnection) {
  FirewallService firewall;
  EXPECT_FALSE(firewall.connected());
  EXPECT_EQ(firewall.RemovePort(8080, kFirewallTcp), E_POINTER);
  EXPECT_EQ(firewall.RemoveProgram(u"C:\\x\\app.exe"), E_POINTER);
}

TEST(Firewall, ConnectsToTheCurrentProfileAndReachesTheService) {
  FirewallService firewall;
  ASSERT_EQ(firewall.Connect(), 0);
  EXPECT_TRUE(firewall.connected());
  for (const long protocol : {kFirewallTcp, kFirewallUdp}) {
    const HRESULT removed = firewall.RemovePort(54321, protocol);
    EXPECT_NE(removed, E_POINTER);
    EXPECT_NE(removed, E_UNEXPECTED) << "the service faulted";
  }
  const HRESULT removed = firewall.RemoveProgram(u"C:\\nowhere\\app.exe");
  EXPECT_NE(removed, E_POINTER);
  EXPECT_NE(removed, E_UNEXPECTED);
  // A second connection replaces the first.
  EXPECT_EQ(firewall.Connect(), 0);
  EXPECT_TRUE(firewall.connected());
}

}  // namespace
}  // namespace mv
