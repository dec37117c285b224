#include "inspect.h"

#include <cstdio>

#include "base/codepage.h"
#include "base/text.h"
#include "extract.h"
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

json FileJson(const mv::FileRecord& r) {
  json f = {{"name", RecordNameUtf8(r.name)}, {"size", r.data_size}};
  // Where mvpack extract puts the file; a record it refuses has no source to build from.
  const ExtractTarget target = ExtractTargetOf(r);
  if (target.refusal.empty()) f["source"] = target.path;
  if (r.destination_kind != 0) f["kind"] = r.destination_kind;
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

}  // namespace

json InspectInstaller(std::span<const std::uint8_t> installer) {
  OpenedInstaller o = OpenInstaller(installer);
  // The version text is 8-bit; only its comparison with "50.0" matters to the runtime.
  json package = {{"version", mv::Utf16ToUtf8(mv::Cp1252ToUtf16(o.header.version))}};
  if (o.header.blowfish_key) package["blowfishKey"] = Hex(*o.header.blowfish_key);
  json files = json::array();
  DecodedFileRecords records(o);
  while (auto r = records.Next()) files.push_back(FileJson(r->record));
  return {{"package", package},
          {"settings", SettingsToJson(o.settings, o.header.product_flags2)},
          {"lists", ListsToJson(o.lists)},
          {"files", files}};
}

}  // namespace mvpack
