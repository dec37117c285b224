// Writes the starting corpora of the fuzz targets: installers that mvpack builds from the example
// project (plain, enciphered, every optional group with stored chunks and the data after the
// section) on a small runtime
// image, and the pieces of them each target reads, in that target's input layout.
//
// Usage: make_fuzz_seeds CORPUS_ROOT EXAMPLES_FOLDER
// Each target's seeds go to CORPUS_ROOT/<target>/seed-<name>; existing files are overwritten.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "../unit/lists_fixture.h"
#include "../unit/package_test_support.h"
#include "../unit/settings_fixture.h"
#include "base/bytes.h"
#include "base/csv.h"
#include "base/text.h"
#include "build.h"
#include "fuzz_support.h"
#include "opened_installer.h"
#include "package/crc32.h"
#include "package/data_block.h"
#include "package/file_record.h"
#include "package/reader.h"
#include "package/settings.h"
#include "package/xz.h"
#include "project.h"
#include "records/uninstall_file.h"

namespace fs = std::filesystem;
using namespace mv;
using namespace std::string_literals;

namespace {

fs::path g_root;

void Write(const std::string& target, const std::string& name, std::span<const std::uint8_t> bytes) {
  const fs::path folder = g_root / target;
  fs::create_directories(folder);
  std::ofstream out(folder / ("seed-" + name), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + (folder / name).string());
}

Bytes Join(std::initializer_list<std::span<const std::uint8_t>> parts) {
  Bytes out;
  for (auto p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Le32(std::uint32_t v) {
  Bytes b;
  AppendLe32(b, v);
  return b;
}

Bytes Utf16Le(std::u16string_view text) {
  Bytes b;
  for (char16_t c : text) AppendLe16(b, c);
  return b;
}

// The decoded record stream of an installer.
Bytes RecordStream(const mvpack::OpenedInstaller& o) {
  Bytes records;
  mvpack::DecodeFileData(o, [&](std::span<const std::uint8_t> b) { records.insert(records.end(), b.begin(), b.end()); });
  return records;
}

// One installer and the pieces the narrower targets read.
void WriteInstallerSeeds(const std::string& name, const mvpack::Project& project) {
  const Bytes runtime = mv::testing::MakeTestPe(mv::testing::FourSections());
  const BuiltInstaller built = mvpack::BuildInstaller(project, runtime);
  Write("installer", name, built.file);
  // The locator needs no more than the headers; the section's first bytes come along.
  Write("pe", name, std::span(built.file).first(std::min<std::size_t>(built.file.size(), built.section.raw_offset + 64)));
  // Signed after building: a certificate table after the (padded) end of the file.
  Bytes signed_file = built.file;
  mv::testing::AppendCertificateTable(signed_file, 64, built.section.header_offset);
  Write("installer", name + "-signed", signed_file);
  Bytes signed_head(built.file.begin(), built.file.begin() + std::min<std::size_t>(built.file.size(), built.section.raw_offset + 64));
  mv::testing::AppendCertificateTable(signed_head, 64, built.section.header_offset);
  Write("pe", name + "-signed", signed_head);

  const mvpack::OpenedInstaller o = mvpack::OpenInstaller(built.file);
  const auto section = o.section_bytes.first(std::min<std::size_t>(
      o.section_bytes.size(), std::max<std::size_t>(o.header.SettingsEnd(), static_cast<std::size_t>(o.header.data_end))));
  Write("header", name, section);

  const Bytes records = RecordStream(o);

  // The derived-package target: settings stream and records.
  Bytes length;
  AppendLe16(length, static_cast<std::uint16_t>(o.settings_stream.size()));
  const std::uint32_t flags2 = o.header.product_flags2;
  const std::uint8_t package_mode = static_cast<std::uint8_t>((o.header.Enciphered() ? 1 : 0) | ((flags2 >> 24) & 0xF) << 1 |
                                                              ((flags2 & kFlags2UninstallerWithoutSection) ? 0x20 : 0) | 0x80);
  Write("package", name, Join({Bytes{package_mode}, length, o.settings_stream, records}));

  // The record walk: the size table, then the records.
  Bytes table;
  AppendLe16(table, static_cast<std::uint16_t>(o.header.file_sizes.size()));
  for (std::int32_t s : o.header.file_sizes) AppendLe32(table, static_cast<std::uint32_t>(s));
  Write("file_walk", name, Join({table, records}));

  // The targets below do the hiding themselves or never see it: one plain package is enough.
  if (o.header.Enciphered()) return;

  Write("settings", name, Join({Le32(flags2), Bytes{0}, o.settings_stream}));
  Write("settings", name + "-silent", Join({Le32(flags2), Bytes{1}, o.settings_stream}));
  PackageReader reader(o.settings_stream);
  ReadSettings(reader, flags2, false);
  Write("lists", name, std::span(o.settings_stream).subspan(reader.position()));


  // The settings block before it was hidden, with each way of hiding it.
  const Bytes xz = XzCompress(o.settings_stream, 6, false);
  const Bytes crc = Le32(o.header.settings_crc);
  Write("settings_block", name + "-scrambled", Join({Bytes{0x00}, crc, xz}));
  Write("settings_block", name + "-blowfish", Join({Bytes{0x01 | 0x18}, crc, xz}));
  Bytes framed = xz;  // as the cipher would see it: padded, with the length word
  framed.resize((xz.size() + 4 + 7) / 8 * 8, 0);
  StoreLe32(framed.data() + framed.size() - 4, static_cast<std::uint32_t>(xz.size()));
  Write("settings_block", name + "-bare-blocks", Join({Bytes{0x03 | 0x04}, crc, framed}));

  // The file data in the data-block target's plain form: chunks not enciphered.
  const bool compressed = (o.settings.ProductFlags & kFlagCompressedChunks) != 0;
  DataBlockWriterOptions chunks;
  chunks.chunk_size = 32;  // several chunks
  chunks.compress = compressed;
  chunks.preset = 6;
  chunks.extreme = false;
  const Bytes block = EncodeDataBlock(records, chunks);
  const std::uint8_t mode = compressed ? 0x01 : 0x00;
  Write("data_block", name, Join({Bytes{mode}, block}));
  Write("data_block", name + "-blowfish", Join({Bytes{static_cast<std::uint8_t>(mode | 0x02 | 0x04)}, block}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_fuzz_seeds CORPUS_ROOT EXAMPLES_FOLDER\n";
    return 2;
  }
  g_root = argv[1];
  const fs::path examples = argv[2];
  try {
    mvpack::Project hello = mvpack::LoadProject(examples / "hello" / "project.json");
    hello.stamp_build_date = false;  // seeds stay the same from run to run
    WriteInstallerSeeds("hello", hello);

    mvpack::Project enciphered = hello;
    enciphered.product_flags2 |= kFlags2Blowfish;
    enciphered.blowfish_key = fuzz::FixedKey();
    WriteInstallerSeeds("hello-blowfish", enciphered);

    // Stored chunks, the file data after the section (it must outgrow the section's padding),
    // and every optional group of the settings stream.
    mvpack::Project full = hello;
    full.settings = mv::testing::FullSettings();
    full.lists = mv::testing::FullLists();
    full.settings.ProductFlags &= ~kFlagCompressedChunks;
    full.settings.IntegrityCheck = 1;
    full.settings.ExternalData = 1;
    full.product_flags2 = mv::testing::kAllGroupsFlags2 & ~kFlags2Blowfish;
    const fs::path filler = g_root / "filler.bin";
    {
      const Bytes bytes = mv::testing::Filler(5000);
      std::ofstream(filler, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 5000);
    }
    mvpack::ProjectFile second = full.files.at(0);
    second.source = filler;
    second.record.name = "|f\xC3\xBCller.bin";
    second.record.destination_kind = 1;
    second.record.destination = u"Vendor\\Sub\\";
    full.files.push_back(second);
    WriteInstallerSeeds("full-external", full);
    fs::remove(filler);

    for (const auto& [name, line] : std::initializer_list<std::pair<const char*, std::u16string>>{
             {"plain", u"\"C:\\Downloads\\setup.exe\" /silent /norestart /d:\"C:\\Program Files\\App\\\""},
             {"uninstall", u"setup.exe /u:\"My \"\"App\"\"\" /MIN -a"},
             {"batches", u"setup.exe /b1:\"echo `x`~~del y\" /b2:\"a\" /b3:\"b\" /r:\"app.exe\" /n:Name"},
             {"bad", u"setup.exe\t/x\r\nfoo\0 /silent"s}}) {
      Write("command_line", name, Utf16Le(line));
    }

    // Background pictures: a true-colour one, and a palette one with a transparent index.
    const auto bitmap = [](std::uint16_t bpp, std::int32_t width, std::int32_t height, std::uint32_t palette) {
      const std::uint32_t stride = (static_cast<std::uint32_t>(width) * bpp + 31) / 32 * 4;
      const std::uint32_t bits = 54 + 4 * palette;
      Bytes b = Join({Bytes{'B', 'M'}, Le32(bits + stride * static_cast<std::uint32_t>(height)), Le32(0), Le32(bits),
                      Le32(40), Le32(static_cast<std::uint32_t>(width)), Le32(static_cast<std::uint32_t>(height)),
                      Bytes{1, 0, static_cast<std::uint8_t>(bpp), 0}, Le32(0), Le32(0), Le32(0), Le32(0),
                      Le32(palette), Le32(0)});
      for (std::uint32_t i = 0; i < palette * 4 + stride * static_cast<std::uint32_t>(height); ++i)
        b.push_back(static_cast<std::uint8_t>(i * 37));
      return b;
    };
    Write("picture", "rgb24", Join({Bytes{255}, bitmap(24, 5, 3, 0)}));
    Write("picture", "palette8-keyed", Join({Bytes{3}, bitmap(8, 7, -4, 16)}));
    Write("picture", "argb32", Join({Bytes{255}, bitmap(32, 3, 3, 0)}));

    // Icon files: one image, and two images of which the second follows the first.
    const auto icon = [](std::initializer_list<std::uint32_t> sizes) {
      Bytes header = Join({Bytes{0, 0, 1, 0, static_cast<std::uint8_t>(sizes.size()), 0}});
      Bytes images;
      std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(sizes.size());
      for (std::uint32_t size : sizes) {
        header = Join({header, Bytes{16, 16, 0, 0, 1, 0, 32, 0}, Le32(size), Le32(offset)});
        for (std::uint32_t i = 0; i < size; ++i) images.push_back(static_cast<std::uint8_t>(i * 13));
        offset += size;
      }
      return Join({header, images});
    };
    Write("icon_file", "one", icon({40}));
    Write("icon_file", "two", icon({40, 68}));

    // Uninstall.dat: one with every section, and one with only the entries and the texts.
    UninstallFile records;
    records.entries = {"C:\\Acme\\acme.exe", "~C:\\Acme", "!\\HKLM\\Software\\Acme\\Path", "^\\HKLM\\Software\\Acme",
                       "*|\\HKLM\\Software\\Caf\xC3\xA9", "|C:\\Caf\xC3\xA9\\read.me"};
    records.strings = {{10, u"Uninstall"}, {53, u"Remove Acme\r\nand its parts?"}, {999, u"Acme Setup"}};
    const auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    Write("uninstall_file", "entries-and-texts", text(ComposeUninstallFile(records)));
    Write("uninstall_lists", "entries-and-texts", text(ComposeUninstallFile(records)));
    records.auto_close = {{u"AcmeWnd", u"*Acme", u"Acme \"Tools\"", 2}};
    records.associations = {".acme~!~Acme.Document~!~open~!~|C:\\Caf\xC3\xA9\\acme.exe,0"};
    records.firewall = {"C:\\Acme\\acme.exe;Acme;6;0", "8080;Acme web;3;0", "bin\\acme.exe;;1;1"};
    records.drivers = {"C:\\Windows\\INF\\oem7.inf"};
    records.packages = {"\"{12345678-1234-1234-1234-123456789012}\",1"};
    records.registry_script = u"HKLM\\Software\\Acme,Path,1,\"C:\\Acme;D:\\\",2\r\nHKLM\\Software\\Acme\r\n";
    records.conditional_deletions = {{"%InstallDir%\\*.tmp", 5, "0", 12}, {"|C:\\x.dll", 2, "2026/01/31", 8}};
    Write("uninstall_file", "every-section", text(ComposeUninstallFile(records)));
    Write("uninstall_lists", "every-section", text(ComposeUninstallFile(records)));

    // CSV: a registry script as 8-bit text and as UTF-16LE (the first byte picks the form).
    const std::u16string script = CsvLine(std::vector<std::u16string>{u"\\HKLM\\Software\\Acme", u"Path", u"1",
                                                                      u"C:\\Acme;D:\\#", u"2"}) +
                                  CsvLine(std::vector<std::u16string>{u"HKCU\\Software\\Acme"}) +
                                  CsvLine(std::vector<std::u16string>{u"k", u"two\r\nlines", u"say \"hi\"", u"", u"6"});
    Write("csv", "wide", Join({Bytes{1}, Utf16Le(script)}));
    const std::string narrow = Utf16ToUtf8(script);
    Write("csv", "narrow", Join({Bytes{0}, text(narrow)}));

    // Registry script: every type and mode, a key, an illegal record and a line that is not CSV.
    const std::u16string registry =
        u"\\HKLM\\Software\\Acme\r\n"
        u"\\HKLM\\Software\\Acme,Text,1,%InstallDir%\\bin,1\r\n"
        u"\\HKCU\\Software\\Acme,Expand,2,%PATH%,3\r\n"
        u"\\HKAU\\Software\\Acme,Bytes,3,0A 1b ff,6\r\n"
        u"\\HKLM\\Software\\Acme,Number,4,-1,7\r\n"
        u"\\HKLM\\Software\\Acme,Wide,11,18446744073709551615,1\r\n"
        u"\\HKLM\\Software\\Acme,Multi,7,,1\r\n"
        u"\\HKLM\\Software\\Acme,Old,,,4\r\n"
        u"\\HKLM\\Software\\Acme,Path,,,2\r\n"
        u"\\HKLM\\Software\\Acme,\"two\r\nlines\",1,x,5\r\n"
        u"a,b,c\r\n"
        u"\\HKLM\\Software\\Acme,\"open,1,x,1\r\n";
    Write("registry_script", "every-form", Utf16Le(registry));
    for (const char16_t* number : {u"14.5", u"-0", u"1e-07", u"123456789012345683968", u"2.2250738585072014e-308",
                                   u"4.9406564584124654e-324", u"1.7976931348623157e+308", u"nan(x_1)", u"Infinity"})
      Write("real_text", std::string(number, number + std::char_traits<char16_t>::length(number)), Utf16Le(number));
  } catch (const std::exception& e) {
    std::cerr << "make_fuzz_seeds: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
