#include "lib/folder_rules.h"

#include "base/path.h"
#include "base/text.h"

namespace mv {

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

bool IsRemovableLikeDrive(unsigned drive_type) {
  return drive_type == kDriveRemovable || drive_type == kDriveCdRom || drive_type == kDriveRamDisk;
}

bool IsNetworkLocation(std::u16string_view path, unsigned drive_type) {
  return (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) || drive_type == kDriveRemote;
}

std::u16string FirstFolder(std::initializer_list<FolderSource> sources) {
  for (const FolderSource& source : sources) {
    if (std::u16string folder = source(); !folder.empty()) return StripTrailingBackslash(folder);
  }
  return {};
}

std::u16string DeviceFolder(std::u16string_view device_path, std::u16string_view windows_dir) {
  std::u16string first(device_path.substr(0, device_path.find(u';')));
  static constexpr VariableName kSystemRoot[] = {{u"%SystemRoot%"}};
  ReplaceNames(first, kSystemRoot, [&](std::size_t) { return std::u16string(windows_dir); });
  return first.empty() ? JoinPath(windows_dir, u"INF") : first;
}

char16_t BootDriveLetter(std::u16string_view boot_dir) {
  if (DriveOf(boot_dir).empty()) return u'C';
  const char16_t letter = boot_dir[0];
  return letter >= u'a' && letter <= u'z' ? static_cast<char16_t>(letter - u'a' + u'A') : letter;
}

std::u16string NormaliseFolder(std::u16string_view f) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  while (!f.empty() && blank(f.front())) f.remove_prefix(1);
  while (!f.empty() && blank(f.back())) f.remove_suffix(1);
  if (f.size() >= 2 && f.front() == u'"' && f.back() == u'"') f = f.substr(1, f.size() - 2);
  return StripTrailingBackslash(f);
}

}  // namespace mv
