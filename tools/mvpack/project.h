// mvpack's project file: a JSON document naming the package options, the product settings and the
// files to install. docs/project-format.md describes it for authors.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "package/file_record.h"
#include "package/lists.h"
#include "package/settings.h"

namespace mvpack {

namespace fs = std::filesystem;

struct ProjectFile {
  fs::path source;       // where the bytes come from
  mv::FileRecord record; // data_size is filled in from the source when the installer is built
};

struct Project {
  std::string version = "50.0";
  std::optional<std::array<std::uint8_t, 56>> blowfish_key;  // a fresh random key when absent
  // 16 MiB with an 8 MiB dictionary: bench/README.md has the measurements they were chosen from
  // (installer size against build memory and installation time; the installer's memory is one
  // dictionary per decoding thread, whatever the chunk size).
  std::size_t chunk_size = 16u << 20;
  // The xz dictionary of a chunk: what each decoding thread of the installer allocates.
  std::uint32_t dictionary_size = 8u << 20;
  std::uint32_t preset = 9;
  bool extreme = false;
  // Matches this long are taken without looking for longer ones: 32 instead of preset 9's 64 builds
  // about a quarter faster for 0.2 % more file data (bench/README.md).
  std::uint32_t nice_length = 32;
  // Files go into the package grouped by extension (file_order.h); false keeps the project's order.
  bool group_files = true;
  mv::Settings settings;
  std::uint32_t product_flags2 = 0;
  bool stamp_build_date = false;  // the project names no build date: today's (UTC) is written
  // The record lists and the languages. A project without languages gets one, "English", with a
  // single empty text: an installer needs at least one.
  mv::Lists lists;
  std::vector<ProjectFile> files;
};

// Reads a project; relative file sources are taken from `base_folder`. Throws std::runtime_error
// with a message naming the offending key.
Project ProjectFromJson(const nlohmann::json& json, const fs::path& base_folder);
Project LoadProject(const fs::path& project_file);

}  // namespace mvpack
