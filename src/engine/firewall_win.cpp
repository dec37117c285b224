#include "engine/firewall_win.h"

#include "lib/crash_guard_win.h"

namespace mv {

// The service lives in a system DLL that may fault; every call into it runs guarded. The guarded
// bodies own nothing: the pointers they fill are held outside, so an abandoned frame leaks nothing.

int FirewallService::Connect() {
  profile_.reset();
  if (!com_.usable()) return kFirewallNoManager;
  ComPtr<INetFwMgr> manager;
  ComPtr<INetFwPolicy> policy;
  ComPtr<INetFwProfile> profile;
  int step = 0;
  const bool completed = RunGuarded([&] {
    if (FAILED(CoCreateInstance(__uuidof(NetFwMgr), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwMgr),
                                manager.put_void())) ||
        !manager) {
      step = kFirewallNoManager;
    } else if (FAILED(manager->get_LocalPolicy(policy.put())) || !policy) {
      step = kFirewallNoPolicy;
    } else if (FAILED(policy->get_CurrentProfile(profile.put())) || !profile) {
      step = kFirewallNoProfile;
    }
  });
  if (!completed) return kFirewallFault;
  if (step == 0) profile_ = std::move(profile);
  return step;
}

HRESULT FirewallService::RemovePort(long port, long protocol) {
  if (!profile_) return E_POINTER;
  ComPtr<INetFwOpenPorts> ports;
  HRESULT result = E_FAIL;
  const bool completed = RunGuarded([&] {
    result = profile_->get_GloballyOpenPorts(ports.put());
    if (SUCCEEDED(result) && !ports) result = E_POINTER;
    if (SUCCEEDED(result)) result = ports->Remove(port, static_cast<NET_FW_IP_PROTOCOL>(protocol));
  });
  return completed ? result : E_UNEXPECTED;
}

HRESULT FirewallService::RemoveProgram(const std::u16string& path) {
  if (!profile_) return E_POINTER;
  ComPtr<INetFwAuthorizedApplications> programs;
  const Bstr image(path);
  HRESULT result = E_FAIL;
  const bool completed = RunGuarded([&] {
    result = profile_->get_AuthorizedApplications(programs.put());
    if (SUCCEEDED(result) && !programs) result = E_POINTER;
    if (SUCCEEDED(result)) result = image.get() ? programs->Remove(image.get()) : E_OUTOFMEMORY;
  });
  return completed ? result : E_UNEXPECTED;
}

}  // namespace mv
