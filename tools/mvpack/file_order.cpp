#include "file_order.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "base/codepage.h"

namespace mvpack {

namespace {

// Kinds whose file is used once written (registered, loaded or run during the installation).
bool StaysInPlace(const mv::FileRecord& r) {
  switch (r.destination_kind) {
    case 4: case 7: case 8: case 10: case 11: case 12: return true;
    default: break;
  }
  return r.name.find('%') != std::string::npos || r.destination.find(u'%') != std::u16string::npos;
}

// The lower-case extension of the name the file is installed under: the new name when the
// destination is one (no backslash), else the last part of the file's name. Extensions with
// characters beyond ASCII form one group whatever their case, which this does not fold.
std::string InstalledExtension(const mv::FileRecord& r) {
  const bool new_name = !r.destination.empty() && r.destination.find(u'\\') == std::u16string::npos;
  std::string name = new_name ? mv::ToNarrowPath(r.destination) : r.name;
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const std::size_t dot = name.rfind('.');
  std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  for (char& c : extension) {
    if (static_cast<unsigned char>(c) >= 0x80) return "\x80";
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

}  // namespace

std::vector<std::size_t> ProjectFileOrder(std::size_t count) {
  std::vector<std::size_t> order(count);
  std::iota(order.begin(), order.end(), std::size_t{0});
  return order;
}

std::vector<std::size_t> GroupedFileOrder(std::span<const ProjectFile> files) {
  std::vector<std::string> keys;
  keys.reserve(files.size());
  for (const ProjectFile& f : files) keys.push_back(InstalledExtension(f.record));
  std::vector<std::size_t> order = ProjectFileOrder(files.size());
  auto run = order.begin();
  for (auto it = order.begin();; ++it) {
    const bool end = it == order.end();
    if (end || StaysInPlace(files[*it].record)) {
      std::stable_sort(run, it, [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
      if (end) break;
      run = it + 1;
    }
  }
  return order;
}

}  // namespace mvpack
