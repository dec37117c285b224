// What the installation records for the uninstaller while it runs: the entry list with its folder
// set, and the texts of the later sections of Uninstall.dat.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

// The kinds of entry and the prefix each is written with.
enum class UninstallEntryKind {
  kFile = 0,            // no prefix: delete this file (path encoding)
  kFolder = 1,          // "~": remove this folder when it is empty (path encoding)
  kRegistryValue = 2,   // "!": delete this registry value (UTF-8)
  kRegistryKey = 3,     // "^": delete this registry key
  kRegistryKey64 = 4,   // "*": delete this registry key in the 64-bit view (path encoding)
};

// The shortest text an entry may have, in bytes.
inline constexpr std::size_t kMinUninstallEntrySize = 4;

// A folder path (path encoding) decoded and case-folded: folder entries that give the same key are
// the same folder.
using FolderKey = std::function<std::u16string(std::string_view encoded_path)>;

// Without the system at hand: a leading "|" means UTF-8, any other text is read as Windows-1252, and
// ASCII letters are folded. The runtime passes the system's code page and case folding instead.
std::u16string PortableFolderKey(std::string_view encoded_path);

class UninstallData {
 public:
  explicit UninstallData(FolderKey folder_key = PortableFolderKey) : folder_key_(std::move(folder_key)) {}

  // Adds the entry "prefix + text" and returns true, or returns false and adds nothing when the text
  // is shorter than 4 bytes or, for a folder, the folder set already holds it. A text that could not
  // be read back as the same entry (one with a line break, a file path that begins with another
  // kind's prefix or equals a section header) is refused as well.
  bool AddEntry(std::string_view text, UninstallEntryKind kind);
  // Converts first: a registry value to UTF-8, every other kind with the path encoding.
  bool AddEntry(std::u16string_view text, UninstallEntryKind kind);

  // Empties the entry list and the folder set.
  void Clear();

  const std::vector<std::string>& entries() const { return entries_; }

  // The lines of the later sections, each without its line end, and the registry records appended
  // for the uninstaller (UTF-16 CSV lines). Filled by the steps that make them.
  std::vector<std::string> associations;
  std::vector<std::string> firewall;
  std::vector<std::string> drivers;
  std::vector<std::string> packages;
  std::u16string registry_records;

 private:
  FolderKey folder_key_;
  std::vector<std::string> entries_;
  std::set<std::u16string> folders_;
};

}  // namespace mv
