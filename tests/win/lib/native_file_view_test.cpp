// The native file view of 64-bit products, in the 64-bit Wine prefix.
#include "lib/native_file_view_win.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "lib/handle_win.h"
#include "lib/system_library_win.h"

namespace mv {
namespace {

// The machine field of the PE header of the system folder's kernel32.dll as this process sees it:
// the 32-bit copy (0x14C) through redirection, the native one (0x8664) without it.
WORD SystemKernel32Machine() {
  wchar_t folder[MAX_PATH] = {};
  GetWindowsDirectoryW(folder, MAX_PATH);
  const std::wstring path = std::wstring(folder) + L"\\system32\\kernel32.dll";
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return 0;
  IMAGE_DOS_HEADER dos{};
  IMAGE_FILE_HEADER header{};
  DWORD got = 0, signature = 0;
  if (!ReadFile(file.get(), &dos, sizeof dos, &got, nullptr) || got != sizeof dos) return 0;
  SetFilePointer(file.get(), dos.e_lfanew, nullptr, FILE_BEGIN);
  if (!ReadFile(file.get(), &signature, sizeof signature, &got, nullptr) || signature != IMAGE_NT_SIGNATURE) return 0;
  if (!ReadFile(file.get(), &header, sizeof header, &got, nullptr) || got != sizeof header) return 0;
  return header.Machine;
}

TEST(NativeFileView, OnlyInsideTheGuard) {
  ASSERT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_I386);
  {
    NativeFileView view(true);
    ASSERT_TRUE(view.active()) << "a 64-bit prefix has WoW64";
    EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_AMD64);
    {
      NativeFileView nested(true);
      EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_AMD64);
    }
    EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_AMD64) << "the inner guard restores the outer view";
  }
  EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_I386);

  // Left by an exception.
  try {
    NativeFileView view(true);
    EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_AMD64);
    throw std::runtime_error("write failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_I386);

  // A 32-bit product never switches.
  NativeFileView off(false);
  EXPECT_FALSE(off.active());
  EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_I386);
}

// After a 64-bit product's start-up check of the native view the system DLLs still load from the
// 32-bit system folder: the view is not left switched.
TEST(NativeFileView, SystemDllsLoadAfterwards) {
  { NativeFileView probe(true); }
  for (const wchar_t* name : {L"wintrust.dll", L"winmm.dll", L"msimg32.dll"}) {
    UniqueModule module = LoadSystemLibrary(name);
    EXPECT_TRUE(module) << "cannot load " << std::string(name, name + wcslen(name)) << ": " << GetLastError();
  }
}

}  // namespace
}  // namespace mv
