#include "inspect.h"

#include <cstdio>

#include "base/codepage.h"
#include "base/text.h"
#include "opened_installer.h"
#include "package/corrupt.h"
#include "package/file_record.h"
#include "lists_json.h"
#include "settings_json.h"

namespace mvpack {

using nlohmann::json;

namespace {

std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string out;
  char digits[3];
  for (std::uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", b);
    out += digits;
  }
  return out;
}

// Text that should be UTF-8, made valid for JSON: broken sequences become U+FFFD.
std::string ValidUtf8(std::string_view text) { return mv::Utf16ToUtf8(mv::Utf8ToUtf16(text)); }

// A record's name as a UTF-8 path: NarrowPath "|" + UTF-8, or code page 1252 text.
std::string NameOf(const std::string& narrow) {
  if (!narrow.empty() && narrow[0] == '|') return ValidUtf8(std::string_view(narrow).substr(1));
  return mv::Utf16ToUtf8(mv::Cp1252ToUtf16(narrow));
}

json FileJson(const mv::FileRecord& r) {
  std::string name = NameOf(r.name);
  json f = {{"source", "files/" + name}, {"name", name}, {"size", r.data_size}};
  if (r.destination_kind != 1) f["kind"] = r.destination_kind;
  if (r.flags) f["flags"] = r.flags;
  if (r.attributes != 0xFFFFFFFF) f["attributes"] = r.attributes;
  if (r.installer_ui_level) f["installerUiLevel"] = r.installer_ui_level;
  if (r.date != std::array<std::int32_t, 6>{}) f["date"] = r.date;
  if (!r.version.empty()) f["version"] = ValidUtf8(r.version);
  if (!r.destination.empty()) f["destination"] = mv::Utf16ToUtf8(r.destination);
  if (!r.icon.empty()) f["icon"] = mv::Utf16ToUtf8(r.icon);
  if (!r.arguments.empty()) f["arguments"] = mv::Utf16ToUtf8(r.arguments);
  if (!r.working_folder.empty()) f["workingFolder"] = mv::Utf16ToUtf8(r.working_folder);
  return f;
}

// Collects the record heads from the decoded file data, skipping each file's bytes. Only a head
// that straddles decoded portions is buffered.
class RecordWalker {
 public:
  explicit RecordWalker(const std::vector<std::int32_t>& sizes) : sizes_(sizes) {}
  void Feed(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
      if (skip_ > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, bytes.size()));
        skip_ -= n;
        bytes = bytes.subspan(n);
        continue;
      }
      pending_.insert(pending_.end(), bytes.begin(), bytes.end());
      bytes = {};
      TryParse();
    }
  }
  const json& files() const { return files_; }
  void Finish() const {
    if (!pending_.empty() || skip_ > 0) throw mv::CorruptPackage(101, "file data ends inside a record");
  }

 private:
  void TryParse() {
    while (!pending_.empty() && skip_ == 0) {
      mv::ParsedFileRecord parsed;
      try {
        parsed = mv::ParseFileRecordHead(pending_);
      } catch (const mv::CorruptPackage& e) {
        if (e.code() == 101 && pending_.size() < kMaxHead) return;  // wait for more bytes
        throw;
      }
      std::size_t index = files_.size();
      if (index >= sizes_.size() || static_cast<std::int64_t>(parsed.record.data_size) != sizes_[index])
        throw mv::CorruptPackage(73, "file size differs from the file table");
      files_.push_back(FileJson(parsed.record));
      std::size_t rest = pending_.size() - parsed.head_length;
      std::uint64_t data = parsed.record.data_size;
      std::size_t consumed = static_cast<std::size_t>(std::min<std::uint64_t>(rest, data));
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(parsed.head_length + consumed));
      skip_ = data - consumed;
    }
  }

  static constexpr std::size_t kMaxHead = 1u << 20;  // a head longer than this is damaged
  const std::vector<std::int32_t>& sizes_;
  mv::Bytes pending_;
  std::uint64_t skip_ = 0;
  json files_ = json::array();
};

}  // namespace

json InspectInstaller(std::span<const std::uint8_t> installer) {
  OpenedInstaller o = OpenInstaller(installer);
  // The version text is 8-bit; only its comparison with "50.0" matters to the runtime.
  json package = {{"version", mv::Utf16ToUtf8(mv::Cp1252ToUtf16(o.header.version))}};
  if (o.header.blowfish_key) package["blowfishKey"] = Hex(*o.header.blowfish_key);
  RecordWalker walker(o.header.file_sizes);
  DecodeFileData(o, [&](std::span<const std::uint8_t> b) { walker.Feed(b); });
  walker.Finish();
  return {{"package", package},
          {"settings", SettingsToJson(o.settings, o.header.product_flags2)},
          {"lists", ListsToJson(o.lists)},
          {"files", walker.files()}};
}

}  // namespace mvpack
