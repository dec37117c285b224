#include "records/uninstall_data.h"

#include "base/codepage.h"
#include "base/text.h"
#include "records/uninstall_file.h"

namespace mv {

namespace {

constexpr char kPrefixes[] = {'\0', '~', '!', '^', '*'};

// Lines that the reader of Uninstall.dat takes for something other than a file entry.
bool ReadsAsAnotherKind(std::string_view text) {
  if (text.empty()) return false;
  return text[0] == '~' || text[0] == '!' || text[0] == '^' || text[0] == '*' || IsUninstallSectionHeader(text);
}

}  // namespace

std::u16string PortableFolderKey(std::string_view encoded_path) {
  std::u16string path = !encoded_path.empty() && encoded_path[0] == '|' ? Utf8ToUtf16(encoded_path.substr(1))
                                                                         : Cp1252ToUtf16(encoded_path);
  for (char16_t& c : path) c = AsciiLower(c);
  return path;
}

bool UninstallData::AddEntry(std::string_view text, UninstallEntryKind kind) {
  if (text.size() < kMinUninstallEntrySize) return false;
  if (text.find_first_of("\r\n") != std::string_view::npos) return false;
  if (kind == UninstallEntryKind::kFile && ReadsAsAnotherKind(text)) return false;
  if (kind == UninstallEntryKind::kFolder && !folders_.insert(folder_key_(text)).second) return false;
  std::string line;
  if (const char prefix = kPrefixes[static_cast<int>(kind)]) line += prefix;
  line += text;
  entries_.push_back(std::move(line));
  return true;
}

bool UninstallData::AddEntry(std::u16string_view text, UninstallEntryKind kind) {
  return AddEntry(kind == UninstallEntryKind::kRegistryValue ? Utf16ToUtf8(text) : ToNarrowPath(text), kind);
}

void UninstallData::Clear() {
  entries_.clear();
  folders_.clear();
}

}  // namespace mv
