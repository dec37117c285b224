// The runtime's file service: a file opened with the compact open flags of base/file_rules.h,
// reporting failures as result codes and keeping the text of its last failure.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "lib/file_rules.h"
#include "lib/handle_win.h"

namespace mv {

class FileObject {
 public:
  FileObject() = default;
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;
  ~FileObject() { Close(); }

  // Opens `path` as the flags say and returns a result code (0 on success). `attributes` are the
  // system's file attributes and flags (128 = normal). With open_flags::kWidePath the path is UTF-16;
  // otherwise the 8-bit overload takes a NarrowPath ("|" + UTF-8, or the ANSI code page).
  int Open(std::u16string_view path, std::uint32_t flags, std::uint32_t attributes = FILE_ATTRIBUTE_NORMAL);
  int Open(std::string_view narrow_path, std::uint32_t flags, std::uint32_t attributes = FILE_ATTRIBUTE_NORMAL);

  // Reads exactly `size` bytes; on a short read the position returns to where it began.
  bool Read(void* buffer, std::int64_t size);
  // Writes `size` bytes in blocks of at most 1 MiB.
  bool Write(const void* buffer, std::int64_t size);
  std::int64_t Tell() const;
  bool Seek(std::int64_t offset, DWORD origin = FILE_BEGIN);
  void Close();
  // Closes the file and deletes it.
  bool CloseAndDelete();

  bool is_open() const { return handle_.valid(); }
  HANDLE handle() const { return handle_.get(); }
  const std::u16string& path() const { return path_; }
  // The text of the last failure (an 8-bit text), and the system error that came with it.
  const std::string& failure_text() const { return failure_; }
  DWORD system_error() const { return system_error_; }

 private:
  int Fail(int code, DWORD system_error);
  bool FailText(std::string text, DWORD system_error);
  bool Verify();

  UniqueHandle handle_;
  std::u16string path_;
  bool can_read_ = false, can_write_ = false;
  std::string failure_;
  DWORD system_error_ = 0;
};

// A NarrowPath as UTF-16: a leading "|" means UTF-8 follows, anything else is in the ANSI code page.
std::u16string WidenNarrowPath(std::string_view narrow);

}  // namespace mv
