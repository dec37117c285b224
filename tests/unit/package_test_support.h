// Small executables and payloads for the package tests: a minimal well-formed PE32 image with
// chosen sections, and deterministic filler bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace mv::testing {

struct TestSection {
  std::string name;
  std::uint32_t raw_size = 0x200;  // multiple of the file alignment
};

inline constexpr std::uint32_t kTestPeOffset = 0x80;
inline constexpr std::uint32_t kTestHeadersSize = 0x400;

// A PE32 image: DOS header with e_lfanew 0x80, the PE signature, a COFF header for i386, a
// standard 224-byte optional header (file alignment 0x200, section alignment 0x1000) and the
// sections' raw data one after the other from `headers_size` on, each filled with its own
// pattern. `e_lfanew` and `headers_size` may be changed to build bad or cramped images.
inline Bytes MakeTestPe(const std::vector<TestSection>& sections, std::uint32_t headers_size = kTestHeadersSize,
                        std::uint32_t e_lfanew = kTestPeOffset) {
  constexpr std::uint32_t kOptionalSize = 224, kFileAlign = 0x200, kSectionAlign = 0x1000;
  std::uint32_t raw_total = 0;
  for (const auto& s : sections) raw_total += s.raw_size;
  Bytes pe(headers_size + raw_total, 0);
  pe[0] = 'M';
  pe[1] = 'Z';
  StoreLe32(&pe[60], e_lfanew);
  std::uint8_t* nt = &pe[e_lfanew];
  std::memcpy(nt, "PE\0\0", 4);
  StoreLe16(nt + 4, 0x14C);
  StoreLe16(nt + 6, static_cast<std::uint16_t>(sections.size()));
  StoreLe16(nt + 20, kOptionalSize);
  StoreLe16(nt + 22, 0x0102);
  std::uint8_t* opt = nt + 24;
  StoreLe16(opt + 0, 0x10B);
  StoreLe32(opt + 8, raw_total);      // SizeOfInitializedData: every section holds data here
  StoreLe32(opt + 16, 0x1000);        // AddressOfEntryPoint
  StoreLe32(opt + 28, 0x400000);      // ImageBase
  StoreLe32(opt + 32, kSectionAlign);
  StoreLe32(opt + 36, kFileAlign);
  StoreLe16(opt + 40, 4);             // MajorOperatingSystemVersion
  StoreLe16(opt + 48, 4);             // MajorSubsystemVersion
  StoreLe32(opt + 60, headers_size);  // SizeOfHeaders
  StoreLe16(opt + 68, 2);             // Subsystem: GUI
  StoreLe32(opt + 92, 16);            // NumberOfRvaAndSizes

  std::uint32_t raw = headers_size, va = kSectionAlign;
  std::uint8_t* entry = opt + kOptionalSize;
  for (std::size_t i = 0; i < sections.size(); ++i, entry += 40) {
    std::memcpy(entry, sections[i].name.data(), std::min<std::size_t>(8, sections[i].name.size()));
    StoreLe32(entry + 8, sections[i].raw_size);
    StoreLe32(entry + 12, va);
    StoreLe32(entry + 16, sections[i].raw_size);
    StoreLe32(entry + 20, raw);
    StoreLe32(entry + 36, 0x40000040);
    for (std::uint32_t k = 0; k < sections[i].raw_size; ++k)
      pe[raw + k] = static_cast<std::uint8_t>(k * 7 + i * 31 + 1);
    raw += sections[i].raw_size;
    va += (sections[i].raw_size + kSectionAlign - 1) / kSectionAlign * kSectionAlign;
  }
  StoreLe32(opt + 56, va);  // SizeOfImage
  return pe;
}

// The offset of section entry `i` in a MakeTestPe image with the default e_lfanew.
inline std::size_t TestPeEntry(std::size_t i) { return kTestPeOffset + 24 + 224 + 40 * i; }

inline std::vector<TestSection> FourSections() {
  return {{".text"}, {".data"}, {".rdata"}, {".rsrc"}};
}

// Bytes that compress somewhat but not to nothing.
inline Bytes Filler(std::size_t size, std::uint32_t seed = 1) {
  Bytes out(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    out[i] = static_cast<std::uint8_t>((i % 64 < 40) ? 'a' + (i / 64) % 26 : x >> 24);
  }
  return out;
}

// Does to `file` what an Authenticode signing tool does to the file's layout: pads it with zeros to
// a multiple of 8, appends a certificate table of `table_size` bytes (a WIN_CERTIFICATE head, then
// filler) and points the PE32 security directory at it. Returns the table's offset.
inline std::uint32_t AppendCertificateTable(Bytes& file, std::size_t table_size = 64,
                                            std::uint32_t e_lfanew = kTestPeOffset) {
  file.resize((file.size() + 7) / 8 * 8, 0);
  const auto offset = static_cast<std::uint32_t>(file.size());
  Bytes table = Filler(table_size, 77);
  StoreLe32(table.data(), static_cast<std::uint32_t>(table_size));  // dwLength
  StoreLe16(table.data() + 4, 0x0200);                              // revision
  StoreLe16(table.data() + 6, 0x0002);                              // PKCS#7 signed data
  file.insert(file.end(), table.begin(), table.end());
  StoreLe32(&file[e_lfanew + 152], offset);
  StoreLe32(&file[e_lfanew + 156], static_cast<std::uint32_t>(table_size));
  return offset;
}

}  // namespace mv::testing
