// The uninstaller's reading of Uninstall.dat: the file's records sorted into its lists, the
// association lines split, the registry records interpreted, the firewall entries read into
// removals and the folder walk of every folder line. Input: the file's bytes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/codepage.h"
#include "fuzz_support.h"
#include "uninstall/uninstall_rules.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const UninstallFileResult read = ReadUninstallFile(bytes);
  if (!read.ok) return 0;
  const UninstallLists lists = MakeUninstallLists(read.file);
  MV_FUZZ_CHECK(lists.main.size() <= read.file.entries.size());
  for (const UndoAssociation& a : lists.associations)
    MV_FUZZ_CHECK(!a.extension.empty() && !a.program_id.empty() && !a.verb.empty());
  for (const RegistryUndo& undo : InterpretRegistryRecords(lists.registry_script)) {
    if (undo.kind == RegistryUndo::kDeleteEmptyKey) MV_FUZZ_CHECK(std::count(undo.key.begin(), undo.key.end(), u'\\') >= 2);
  }
  for (const std::string& entry : lists.firewall) {
    const std::optional<FirewallRemoval> removal =
        FirewallRemovalOf(entry, u"C:\\P", [](std::string_view target) { return Cp1252ToUtf16(target); });
    if (!removal) continue;
    if (removal->port) {
      MV_FUZZ_CHECK(*removal->port >= 1 && !removal->protocols.empty() && removal->protocols.size() <= 2);
      for (const long protocol : removal->protocols) MV_FUZZ_CHECK(protocol == 6 || protocol == 17);
    } else {
      MV_FUZZ_CHECK(!removal->program.empty() && removal->protocols.empty());
    }
  }
  const Language language = UninstallLanguage(lists.strings);
  MV_FUZZ_CHECK(language.texts.size() == kMaxUninstallTextNumber + 1);
  for (const UndoItem& item : lists.main) {
    if (item.kind != UndoKind::kFolder) continue;
    const std::u16string folder = Cp1252ToUtf16(item.text);
    const std::vector<std::u16string> walk = FolderWalk(folder, u"C:\\P");
    MV_FUZZ_CHECK(walk.size() <= 50);
    for (const std::u16string& step : walk) MV_FUZZ_CHECK(!SameFolder(step, u"C:\\P") && step.size() > 3);
    (void)GuardedFolderVerdict(folder, {u"C:\\Windows", u"C:\\Program Files"});
  }
  return 0;
}
