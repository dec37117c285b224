#include "lib/shell_link.h"

#include "base/text.h"

namespace mv {

std::u16string LinkFilePath(std::u16string_view link_path) {
  if (link_path.size() >= 4 && EqualsIgnoreAsciiCase(link_path.substr(link_path.size() - 4), u".lnk"))
    return std::u16string(link_path);
  return std::u16string(link_path) + u".lnk";
}

std::u16string LinkWorkingFolder(std::u16string_view folder) {
  if (folder.size() == 2 && folder[1] == u':') return std::u16string(folder) + u"\\";
  return std::u16string(folder);
}

int LinkShowCommand(unsigned flags) {
  if (flags & kLinkMinimised) return 7;  // minimised, not active
  if (flags & kLinkMaximised) return 3;
  return 0;
}

}  // namespace mv
