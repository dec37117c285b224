#include "lib/native_file_view_win.h"

#include <windows.h>

namespace mv {

namespace {

using SwitchFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

// The two functions exist only where WoW64 does; kernel32 is always loaded.
template <typename Fn>
Fn Kernel32Function(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

}  // namespace

NativeFileView::NativeFileView(bool wanted) {
  if (!wanted) return;
  static const SwitchFn disable = Kernel32Function<SwitchFn>("Wow64DisableWow64FsRedirection");
  active_ = disable && disable(&previous_);
}

NativeFileView::~NativeFileView() {
  if (!active_) return;
  static const RevertFn revert = Kernel32Function<RevertFn>("Wow64RevertWow64FsRedirection");
  if (revert) revert(previous_);
}

}  // namespace mv
