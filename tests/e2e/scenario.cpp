#include "scenario.h"

#include <fstream>
#include <iterator>

#include "base/text.h"

namespace mve2e {

mv::Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return mv::Bytes(std::istreambuf_iterator<char>(in), {});
}

std::string Text(const fs::path& path) {
  const mv::Bytes bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteAll(const fs::path& path, const mv::Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::u16string WindowsPath(const fs::path& path) {
  std::u16string out = u"Z:";
  for (char c : fs::absolute(path).string()) out += c == '/' ? u'\\' : static_cast<char16_t>(c);
  return out;
}

std::string WindowsPathUtf8(const fs::path& path) {
  std::string out = "Z:";
  for (char c : fs::absolute(path).string()) out += c == '/' ? '\\' : c;
  return out;
}

std::string SessionValue(const std::string& name) {
  const mv::Bytes bytes = ReadAll(SourceDir() / "build" / "wine" / "session.env");
  const std::string text(bytes.begin(), bytes.end());
  const std::string key = "export " + name + "=";
  const std::size_t at = text.find(key);
  if (at == std::string::npos) return {};
  std::string value = text.substr(at + key.size(), text.find('\n', at) - at - key.size());
  if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
  return value;
}

mvpack::Project SmallProject(const fs::path& folder) {
  fs::create_directories(folder / "files");
  WriteAll(folder / "files" / "readme.txt", mv::Bytes(5000, 'a'));
  // Enough incompressible bytes that a block after the section outgrows the section's padding.
  mv::Bytes noise(10000);
  std::uint32_t x = 12345;
  for (auto& b : noise) b = static_cast<std::uint8_t>((x = x * 1103515245 + 12345) >> 16);
  WriteAll(folder / "files" / "data.bin", noise);

  mvpack::Project p;
  p.settings.ProductFlags = mv::kFlagCompressedChunks;
  p.settings.DisplayName = u"E2E Product";
  p.settings.Publisher = u"Marevault Tests";
  p.settings.DefaultInstallDir = WindowsPath(folder / "installed");
  // Each scenario registers under its own Uninstall key, so that one never finds another's
  // installation as an earlier one.
  p.settings.UninstallKeyName = u"MvE2E " + mv::Utf8ToUtf16(folder.filename().string());
  p.chunk_size = 4096;  // several chunks
  p.preset = 1;
  for (const char* name : {"readme.txt", "data.bin"}) {
    mvpack::ProjectFile f;
    f.source = folder / "files" / name;
    f.record.name = name;
    f.record.destination_kind = 0;  // the installation folder
    p.files.push_back(f);
  }
  return p;
}

Built Build(const mvpack::Project& project, const fs::path& path) {
  Built b{path, mvpack::BuildInstaller(project, ReadAll(RuntimeExe()))};
  WriteAll(path, b.installer.file);
  return b;
}

::testing::AssertionResult Reg(const std::vector<std::string>& args) {
  const ToolResult r = RunTool("reg", args, 60);
  if (r.status == 0) return ::testing::AssertionSuccess();
  std::string command = "reg";
  for (const std::string& a : args) command += " " + a;
  return ::testing::AssertionFailure() << command << " ended with " << r.status << ": " << r.output;
}

std::optional<RegValue> QueryValue(const std::string& key, const std::string& name, const std::string& view) {
  std::vector<std::string> args = {"query", key};
  if (name.empty()) {
    args.push_back("/ve");
  } else {
    args.insert(args.end(), {"/v", name});
  }
  args.push_back(view);
  ToolResult r = RunTool("reg", args, 60);
  // In full parallel runs Wine's reg.exe now and then reports failure for a value that is there
  // (twice in two runs, on different values); a second asking tells that apart from a missing value.
  if (r.status != 0) r = RunTool("reg", args, 60);
  if (r.status != 0) return std::nullopt;
  // Each value is a line "    <name>    <type>    <data>".
  const std::string shown = name.empty() ? "(Default)" : name;
  std::size_t start = 0;
  while (start < r.output.size()) {
    std::size_t end = r.output.find('\n', start);
    if (end == std::string::npos) end = r.output.size();
    std::string line = r.output.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string head = "    " + shown + "    ";
    if (line.size() < head.size() || line.compare(0, head.size(), head) != 0) continue;
    const std::string rest = line.substr(head.size());
    const std::size_t gap = rest.find("    ");
    if (gap == std::string::npos) return RegValue{rest, ""};
    return RegValue{rest.substr(0, gap), rest.substr(gap + 4)};
  }
  return std::nullopt;
}

std::string ExportKey(const std::string& key, const std::string& view, const fs::path& file) {
  fs::remove(file);
  if (!Reg({"export", key, mv::Utf16ToUtf8(WindowsPath(file)), view, "/y"})) return {};
  const mv::Bytes bytes = ReadAll(file);
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(mv::LoadLe16(&bytes[i]));
  return mv::Utf16ToUtf8(text);
}

}  // namespace mve2e
