#include "project.h"

#include <fstream>
#include <stdexcept>

#include "base/text.h"
#include "lists_json.h"
#include "settings_json.h"

namespace mvpack {

using nlohmann::json;

namespace {

[[noreturn]] void Bad(const std::string& key, const std::string& why) {
  throw std::runtime_error("project: \"" + key + "\": " + why);
}

// Refuses keys the format does not know, so that a misspelt key is not silently ignored.
void OnlyKeys(const json& object, const std::string& where, std::initializer_list<const char*> known) {
  for (const auto& item : object.items()) {
    bool ok = false;
    for (const char* k : known) ok |= item.key() == k;
    if (!ok) Bad(where + item.key(), "is not a known key");
  }
}

template <typename T>
T Get(const json& object, const char* key, const std::string& where, T fallback) {
  if (!object.contains(key)) return fallback;
  try {
    return object.at(key).get<T>();
  } catch (const json::exception&) {
    Bad(where + key, "has the wrong type");
  }
}

std::array<std::uint8_t, 56> ParseKey(const std::string& hex) {
  std::array<std::uint8_t, 56> key{};
  if (hex.size() != 112) Bad("package.blowfishKey", "must be 112 hexadecimal digits");
  for (std::size_t i = 0; i < 56; ++i) {
    try {
      key[i] = static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    } catch (const std::exception&) {
      Bad("package.blowfishKey", "must be 112 hexadecimal digits");
    }
  }
  return key;
}

ProjectFile FileFromJson(const json& j, std::size_t index, const fs::path& base) {
  std::string where = "files[" + std::to_string(index) + "].";
  if (!j.is_object()) Bad(where, "must be an object");
  // "size" is what inspect reports; the size of the source is what gets built.
  OnlyKeys(j, where, {"source", "name", "kind", "flags", "attributes", "installerUiLevel", "version", "destination",
                      "icon", "arguments", "workingFolder", "date", "size"});
  ProjectFile f;
  std::string source = Get<std::string>(j, "source", where, "");
  if (source.empty()) Bad(where + "source", "is required");
  f.source = fs::path(source).is_absolute() ? fs::path(source) : base / source;
  mv::FileRecord& r = f.record;
  r.name = Get<std::string>(j, "name", where, f.source.filename().string());
  // Names are stored as NarrowPath: unchanged when ASCII, else "|" and UTF-8.
  bool ascii = true;
  for (unsigned char c : r.name) ascii &= c < 128;
  if (!ascii) r.name = "|" + r.name;
  r.destination_kind = Get<std::uint32_t>(j, "kind", where, 0);
  r.flags = Get<std::uint32_t>(j, "flags", where, 0);
  r.attributes = Get<std::uint32_t>(j, "attributes", where, 0xFFFFFFFF);
  r.installer_ui_level = Get<std::uint32_t>(j, "installerUiLevel", where, 0);
  r.version = Get<std::string>(j, "version", where, "");
  auto wide = [&](const char* key) { return mv::Utf8ToUtf16(Get<std::string>(j, key, where, "")); };
  r.destination = wide("destination");
  r.icon = wide("icon");
  r.arguments = wide("arguments");
  r.working_folder = wide("workingFolder");
  if (j.contains("date")) {
    auto d = Get<std::vector<std::int32_t>>(j, "date", where, {});
    if (d.size() != 6) Bad(where + "date", "must be [year, month, day, hour, minute, second]");
    std::copy(d.begin(), d.end(), r.date.begin());
  }
  return f;
}

}  // namespace

Project ProjectFromJson(const json& j, const fs::path& base) {
  if (!j.is_object()) throw std::runtime_error("project: the document must be a JSON object");
  Project p;
  OnlyKeys(j, "", {"package", "settings", "lists", "files"});
  json package = j.value("package", json::object());
  if (!package.is_object()) Bad("package", "must be an object");
  OnlyKeys(package, "package.", {"version", "blowfishKey", "chunkSize", "dictionarySize", "preset", "extreme",
                                   "niceLength", "groupFiles"});
  p.version = Get<std::string>(package, "version", "package.", p.version);
  if (package.contains("blowfishKey")) p.blowfish_key = ParseKey(Get<std::string>(package, "blowfishKey", "package.", ""));
  p.chunk_size = Get<std::size_t>(package, "chunkSize", "package.", p.chunk_size);
  if (p.chunk_size == 0) Bad("package.chunkSize", "must be at least 1");
  p.preset = Get<std::uint32_t>(package, "preset", "package.", p.preset);
  if (p.preset > 9) Bad("package.preset", "must be 0 to 9");
  p.extreme = Get<bool>(package, "extreme", "package.", p.extreme);
  p.nice_length = Get<std::uint32_t>(package, "niceLength", "package.", p.nice_length);
  if (p.nice_length < 2 || p.nice_length > 273) Bad("package.niceLength", "must be 2 to 273");
  p.group_files = Get<bool>(package, "groupFiles", "package.", p.group_files);
  p.dictionary_size = Get<std::uint32_t>(package, "dictionarySize", "package.", p.dictionary_size);
  if (p.dictionary_size < 4096 || p.dictionary_size > (1536u << 20))
    Bad("package.dictionarySize", "must be 4096 to 1610612736");

  json settings = j.value("settings", json::object());
  p.settings = SettingsFromJson(settings);
  p.product_flags2 = settings.contains("productFlags2") ? Flags2FromJson(settings.at("productFlags2")) : 0;
  p.stamp_build_date = !settings.contains("buildDate");

  p.lists = ListsFromJson(j.value("lists", json::object()));

  json files = j.value("files", json::array());
  if (!files.is_array()) Bad("files", "must be an array");
  for (std::size_t i = 0; i < files.size(); ++i) p.files.push_back(FileFromJson(files[i], i, base));
  return p;
}

Project LoadProject(const fs::path& project_file) {
  std::ifstream in(project_file);
  if (!in) throw std::runtime_error("cannot read " + project_file.string());
  json j;
  try {
    j = json::parse(in);
  } catch (const json::parse_error& e) {
    throw std::runtime_error(project_file.string() + ": " + e.what());
  }
  return ProjectFromJson(j, project_file.parent_path());
}

}  // namespace mvpack
