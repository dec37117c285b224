#include "lib/temp_file_win.h"

#include <windows.h>

#include "lib/folder_win.h"
#include "lib/handle_win.h"
#include "lib/wide_win.h"

namespace mv {

namespace {

TempCreateResult CreateExclusive(const std::u16string& path, const TempFileAccess& how, UniqueHandle& out) {
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, how.inheritable ? TRUE : FALSE};
  out.reset(CreateFileW(W(path), how.access, how.share, &security, CREATE_NEW, how.attributes, nullptr));
  if (out) return TempCreateResult::kCreated;
  switch (GetLastError()) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return TempCreateResult::kExists;
    case ERROR_ACCESS_DENIED:
      return TempCreateResult::kAccessDenied;
    default:
      return TempCreateResult::kOtherError;
  }
}

CreatedTempFile TryGeneratedNames(std::u16string folder, std::u16string_view extension, bool give_up_on_denials,
                                  const TempFileAccess& how) {
  TempNameAttempts attempts(give_up_on_denials);
  TempNameFolder current = TempNameFolder::kAsked;
  while (attempts.More()) {
    if (const TempNameFolder wanted = attempts.Folder(); wanted != current) {
      current = wanted;
      if (wanted == TempNameFolder::kUserTemp) {
        if (std::u16string temp = UserTempFolder(); !temp.empty()) folder = std::move(temp);
      } else if (wanted == TempNameFolder::kRootTemp && CreateFolderChain(u"c:\\temp")) {
        folder = u"c:\\temp";
      }
    }
    std::u16string path = JoinTempPath(folder, TempFileName(ProcessTempNameGenerator().NextDigits(), extension));
    UniqueHandle handle;
    const TempCreateResult result = CreateExclusive(path, how, handle);
    attempts.Record(result);
    if (result == TempCreateResult::kCreated) return {std::move(path), std::move(handle)};
  }
  return {};
}

}  // namespace

std::u16string UserTempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(buffer), n);
}

TempNameGenerator& ProcessTempNameGenerator() {
  static TempNameGenerator generator;
  return generator;
}

void SeedTempNames(std::uint64_t seed) { ProcessTempNameGenerator() = TempNameGenerator(seed); }

CreatedTempFile CreateTempFile(std::u16string_view asked_folder, std::u16string_view extension,
                               const TempFileAccess& how) {
  std::u16string folder = asked_folder.empty() ? UserTempFolder() : std::u16string(asked_folder);
  if (folder.empty() || !CreateFolderChain(folder)) return {};

  if (!extension.empty() && extension.front() == u'.') extension.remove_prefix(1);
  if (!extension.empty()) return TryGeneratedNames(std::move(folder), extension, false, how);
  return TryGeneratedNames(std::move(folder), u"TMP", true, how);
}

std::u16string MakeTempName(std::u16string_view folder, std::u16string_view extension) {
  return CreateTempFile(folder, extension).path;
}

}  // namespace mv
