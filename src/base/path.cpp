#include "base/path.h"

namespace mv {

namespace {

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

std::u16string DriveOf(std::u16string_view path) {
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == u':') return std::u16string(path.substr(0, 2));
  return {};
}

std::u16string FolderOf(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  if (slash == std::u16string_view::npos) return {};
  if (slash == 2 && !DriveOf(path).empty()) return std::u16string(path.substr(0, 3));
  return std::u16string(path.substr(0, slash));
}

std::u16string FileNameOf(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

bool IsAbsoluteFolder(std::u16string_view p) {
  if (p.size() >= 2 && p[1] == u':') return true;
  return !p.empty() && IsSeparator(p[0]);
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string out(folder);
  if (name.empty()) return out;
  if (out.empty() || !IsSeparator(out.back())) out += u'\\';
  out += name;
  return out;
}

std::u16string StripTrailingBackslash(std::u16string_view folder) {
  std::u16string out(folder);
  const bool drive_root = out.size() == 3 && !DriveOf(out).empty();
  if (!drive_root && !out.empty() && out.back() == u'\\') out.pop_back();
  return out;
}

std::u16string ParentFolder(std::u16string_view folder, int levels) {
  std::u16string out = StripTrailingBackslash(folder);
  for (int i = 0; i < levels; ++i) {
    const bool drive_root = out.size() == 3 && !DriveOf(out).empty();
    const std::size_t slash = out.find_last_of(u'\\');
    if (drive_root || slash == std::u16string::npos) return {};
    out = FolderOf(out);
  }
  return out;
}

}  // namespace mv
