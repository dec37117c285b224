#include "extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "base/codepage.h"
#include "base/date.h"
#include "base/text.h"
#include "opened_installer.h"

namespace mvpack {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kFlagInUninstallFolder = 0x40;

// The extraction folder's stand-in for each base folder of the installation.
const char* BaseFolderOf(std::uint32_t kind) {
  switch (kind) {
    case 1:
      return "shared";
    case 4:
      return "fonts";
    case 6:
    case 7:
    case 8:
      return "system";
    default:  // 0, 5, 9-12, and the kinds that are valid only with a destination
      return "install";
  }
}

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts(1);
  for (char c : path) {
    // Windows takes both as separators; splitting on both also keeps a "/" in a name from
    // becoming a separator behind the checks' back on this side.
    if (c == '\\' || c == '/')
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Appends the components of a Windows path that must stay below its base; a reason when it cannot.
std::string AppendRelative(const std::string& path, std::vector<std::string>& out) {
  if (!path.empty() && IsSeparator(path[0])) return "absolute path \"" + path + "\"";
  if (path.size() >= 2 && path[1] == ':') return "drive letter in \"" + path + "\"";
  if (path.find('\0') != std::string::npos) return "zero byte in \"" + path + "\"";
  for (std::string& part : Components(path)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") return "\"..\" in \"" + path + "\" leaves the folder";
    out.push_back(std::move(part));
  }
  return {};
}

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

mv::FileDateTime DateOf(const mv::FileRecord& r) {
  return {r.date[0], r.date[1], r.date[2], r.date[3], r.date[4], r.date[5]};
}

// The modification time for a complete, real date (UTC); nullopt leaves the file's time alone.
std::optional<std::time_t> TimeOf(const mv::FileDateTime& d) {
  if (!d.Complete() || !mv::IsRealDate(d.year, d.month, d.day) || d.hour > 23 || d.minute < 0 || d.minute > 59 ||
      d.second < 0 || d.second > 59)
    return std::nullopt;
  std::tm tm{};
  tm.tm_year = d.year - 1900;
  tm.tm_mon = d.month - 1;
  tm.tm_mday = d.day;
  tm.tm_hour = d.hour;
  tm.tm_min = d.minute;
  tm.tm_sec = d.second;
  return timegm(&tm);
}

[[noreturn]] void Fail(const std::string& what, const fs::path& path) {
  throw std::runtime_error(what + " " + path.string() + ": " + std::strerror(errno));
}

// Creates the folders from `root` down to `relative`'s parent; none of them may be a link.
void MakeFolders(const fs::path& root, const fs::path& relative) {
  fs::path at = root;
  for (const fs::path& part : relative.parent_path()) {
    at /= part;
    if (mkdir(at.c_str(), 0777) != 0 && errno != EEXIST) Fail("cannot create folder", at);
    struct stat st {};
    if (lstat(at.c_str(), &st) != 0) Fail("cannot read", at);
    if (!S_ISDIR(st.st_mode)) throw std::runtime_error(at.string() + " is in the way: not a folder (links are not followed)");
  }
}

class OutputFile {
 public:
  explicit OutputFile(const fs::path& path) : path_(path) {
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0) Fail("cannot create", path);
  }
  ~OutputFile() {
    if (fd_ >= 0) close(fd_);
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  void Write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
      const ssize_t n = write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail("cannot write", path_);
      bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
  }
  void SetTime(std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    if (futimens(fd_, times) != 0) Fail("cannot set the date of", path_);
  }
  void Close() {
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) Fail("cannot write", path_);
  }

 private:
  fs::path path_;
  int fd_ = -1;
};

std::string RefusalText(const mv::WalkedFileRecord& r, const std::string& why) {
  return "record " + std::to_string(r.index + 1) + " (\"" + RecordNameUtf8(r.record.name) + "\") refused: " + why;
}

}  // namespace

std::string RecordNameUtf8(const std::string& narrow) {
  if (!narrow.empty() && narrow[0] == '|') return mv::Utf16ToUtf8(mv::Utf8ToUtf16(std::string_view(narrow).substr(1)));
  return mv::Utf16ToUtf8(mv::Cp1252ToUtf16(narrow));
}

ExtractTarget ExtractTargetOf(const mv::FileRecord& r) {
  std::string name = RecordNameUtf8(r.name);
  std::string destination = mv::Utf16ToUtf8(r.destination);
  // A destination without a backslash is the file's new name.
  if (!destination.empty() && destination.find('\\') == std::string::npos) {
    name = destination;
    destination.clear();
  }
  std::vector<std::string> parts;
  std::vector<std::string> name_parts;
  std::string refusal = AppendRelative(name, name_parts);
  if (refusal.empty() && (name_parts.empty() || IsSeparator(name.back())))
    refusal = "no file name in \"" + name + "\"";
  if (refusal.empty() && !destination.empty()) {
    // A folder below the base: the shared folder for kind 1, the installation folder otherwise;
    // the file keeps only the last component of its name.
    parts.push_back(r.destination_kind == 1 ? "shared" : "install");
    refusal = AppendRelative(destination, parts);
    parts.push_back(name_parts.back());
  } else if (refusal.empty()) {
    parts.push_back((r.flags & kFlagInUninstallFolder) ? "uninstall" : BaseFolderOf(r.destination_kind));
    parts.insert(parts.end(), name_parts.begin(), name_parts.end());
  }
  if (!refusal.empty()) return {{}, refusal};
  return {Join(parts), {}};
}

std::string ListLine(const mv::FileRecord& r) {
  const mv::FileDateTime date = DateOf(r);
  std::string date_text = date.HasDate() ? mv::Utf16ToUtf8(mv::FileDateTimeText(date)) : "-";
  const ExtractTarget target = ExtractTargetOf(r);
  char head[96];
  std::snprintf(head, sizeof head, "%-4u 0x%02X %-4u %12u  %-19s  ", r.destination_kind, r.flags, (r.flags >> 2) & 7,
                r.data_size, date_text.c_str());
  return head + (target.refusal.empty() ? target.path : "refused: " + target.refusal);
}

std::uint64_t ListInstaller(std::span<const std::uint8_t> installer, std::ostream& out) {
  OpenedInstaller o = OpenInstaller(installer);
  DecodedFileRecords records(o);
  out << "kind flags mode         size  date                 target\n";
  std::uint64_t refused = 0;
  while (auto r = records.Next()) {
    refused += !ExtractTargetOf(r->record).refusal.empty();
    out << ListLine(r->record) << "\n";
  }
  return refused;
}

ExtractSummary ExtractInstaller(std::span<const std::uint8_t> installer, const fs::path& folder) {
  OpenedInstaller o = OpenInstaller(installer);
  DecodedFileRecords records(o);
  // Every record is checked before the first file is written.
  while (auto r = records.Next()) {
    const ExtractTarget target = ExtractTargetOf(r->record);
    if (!target.refusal.empty()) throw std::runtime_error(RefusalText(*r, target.refusal));
  }
  records.Rewind();

  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw std::runtime_error("cannot create " + folder.string() + ": " + error.message());
  ExtractSummary summary;
  while (auto r = records.Next()) {
    const fs::path relative = fs::path(ExtractTargetOf(r->record).path);
    MakeFolders(folder, relative);
    OutputFile file(folder / relative);
    records.CopyData(*r, [&](std::span<const std::uint8_t> bytes) { file.Write(bytes); });
    if (auto when = TimeOf(DateOf(r->record))) file.SetTime(*when);
    file.Close();
    ++summary.files;
    summary.bytes += r->record.data_size;
  }
  return summary;
}

}  // namespace mvpack
