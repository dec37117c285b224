// The firewall service's current profile, reached through its COM objects (manager, local policy,
// current profile), and the exceptions removed from it: open ports and authorized programs.
#pragma once

#include <windows.h>
#include <netfw.h>

#include <string>

#include "lib/com_ptr_win.h"

namespace mv {

// The steps of connecting, as the installation's log names a failure.
inline constexpr int kFirewallNoManager = 2;   // the manager object was not created
inline constexpr int kFirewallNoPolicy = 3;    // its local policy was not obtained
inline constexpr int kFirewallNoProfile = 4;   // the current profile was not obtained
inline constexpr int kFirewallFault = 27;      // the service faulted inside a call

class FirewallService {
 public:
  FirewallService() = default;
  FirewallService(const FirewallService&) = delete;
  FirewallService& operator=(const FirewallService&) = delete;

  // 0 once connected, else the step that failed (kFirewallNo*, kFirewallFault).
  int Connect();
  bool connected() const { return static_cast<bool>(profile_); }

  // Removes the exception of the open port `port` for `protocol` (6 TCP, 17 UDP). The service's
  // result; E_POINTER when not connected, E_UNEXPECTED when the service faulted.
  HRESULT RemovePort(long port, long protocol);
  // Removes the exception of the program at `path` (a full path), with the same results.
  HRESULT RemoveProgram(const std::u16string& path);

 private:
  ComScope com_;
  ComPtr<INetFwProfile> profile_;
};

}  // namespace mv
