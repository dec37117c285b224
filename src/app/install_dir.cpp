#include "app/install_dir.h"

#include "base/path.h"
#include "base/text.h"

namespace mv {

bool NamesRegistryFolder(std::u16string_view s) {
  if (s.size() < 5 || s[4] != u'\\') return false;
  return EqualsIgnoreAsciiCase(s.substr(0, 4), u"HKLM") || EqualsIgnoreAsciiCase(s.substr(0, 4), u"HKCU");
}

std::u16string ReplaceOsPlaceholder(std::u16string s, const FolderFacts& facts) {
  const std::u16string_view marker = u"<os>";
  for (std::size_t at = s.find(marker); at != std::u16string::npos; at = s.find(marker, at + facts.windows.size()))
    s.replace(at, marker.size(), facts.windows);
  return s;
}

std::u16string PlaceUnderProgramFiles(std::u16string folder, const FolderFacts& facts, int bitness) {
  if (IsAbsoluteFolder(folder)) return folder;
  std::u16string base = bitness == 1 && !facts.program_files_64.empty() ? facts.program_files_64 : facts.program_files;
  if (!IsAbsoluteFolder(base)) {
    // No usable Program Files folder was found: a relative folder would land wherever the process
    // happens to run (often the system folder), so take Program Files of the Windows drive.
    const std::u16string drive = facts.windows.size() >= 2 && facts.windows[1] == u':' ? facts.windows.substr(0, 2)
                                                                                       : std::u16string(u"C:");
    base = drive + u"\\Program Files";
  }
  if (base.back() != u'\\') base.push_back(u'\\');
  return base + folder;
}

}  // namespace mv
