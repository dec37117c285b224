// The native file system view of a 64-bit product. A 32-bit process on 64-bit Windows sees the
// 32-bit system folder in place of the native one (file-system redirection). A 64-bit product's own
// files must go to the native folders, but the loader needs redirection to find this process's DLLs,
// so the native view is switched on only around the product's file operations, never for the rest of
// the run.
#pragma once

namespace mv {

class NativeFileView {
 public:
  // Switches redirection off when `wanted` (the product is 64-bit); otherwise does nothing.
  explicit NativeFileView(bool wanted);
  // Switches redirection back on, on every path out of the scope, exceptions included.
  ~NativeFileView();
  NativeFileView(const NativeFileView&) = delete;
  NativeFileView& operator=(const NativeFileView&) = delete;

  // Whether redirection is off through this guard.
  bool active() const { return active_; }

 private:
  void* previous_ = nullptr;
  bool active_ = false;
};

}  // namespace mv
