// The file-data decoder against xz itself.
//
//   decode_bench make <block-file> <xz-file> <megabytes>   writes a realistic file-data block and the
//                                                          same chunks as concatenated .xz streams
//   decode_bench decode <block-file>                       decodes the block as the runtime does:
//                                                          size and CRC pass, then chunk by chunk
//
// The decode mode reads the block from the file in portions, checks it like the runtime and throws
// the decoded bytes away; its peak memory must not grow with the block.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "package/crc32.h"
#include "package/data_block.h"

namespace {

// A payload like an application's: text and configuration (compressible), program code (partly
// compressible) and media or archives (incompressible), in files of mixed sizes.
void MakePayload(std::size_t total, const std::function<void(std::span<const std::uint8_t>)>& out) {
  std::mt19937_64 random(42);
  static const char* words[] = {"install", "setup", "file", "the", "of", "program", "window", "data",
                                "registry", "value", "folder", "version", "user", "system", "error"};
  std::vector<std::uint8_t> file;
  std::size_t made = 0;
  while (made < total) {
    std::size_t size = std::min<std::size_t>(total - made, 4096 + random() % (3u << 20));
    file.resize(size);
    switch (random() % 4) {
      case 0:
      case 1: {  // text
        std::size_t i = 0;
        while (i < size) {
          const char* w = words[random() % 15];
          for (const char* c = w; *c && i < size; ++c) file[i++] = static_cast<std::uint8_t>(*c);
          if (i < size) file[i++] = random() % 12 == 0 ? '\n' : ' ';
        }
        break;
      }
      case 2:  // code-like: repeated instruction patterns with varying operands
        for (std::size_t i = 0; i < size; ++i)
          file[i] = static_cast<std::uint8_t>(i % 16 < 8 ? 0x8B + (i % 3) : random() % 64);
        break;
      default:  // compressed media
        for (std::size_t i = 0; i < size; i += 8) {
          std::uint64_t r = random();
          std::memcpy(file.data() + i, &r, std::min<std::size_t>(8, size - i));
        }
    }
    out(file);
    made += size;
  }
}

int Make(const char* block_path, const char* xz_path, std::size_t megabytes) {
  {
    std::ofstream block(block_path, std::ios::binary);
    mv::DataBlockWriterOptions options;
    options.preset = 6;
    options.extreme = false;
    mv::DataBlockWriter writer(options, [&](std::span<const std::uint8_t> framed) {
      block.write(reinterpret_cast<const char*>(framed.data()), static_cast<std::streamsize>(framed.size()));
    });
    MakePayload(megabytes << 20, [&](std::span<const std::uint8_t> b) { writer.Write(b); });
    writer.Finish();
    std::printf("block %llu bytes\n", static_cast<unsigned long long>(writer.size()));
  }
  // The same chunks for xz: each framed chunk is [length][CRC][xz stream]; xz gets the streams alone.
  std::ifstream in(block_path, std::ios::binary);
  std::ofstream xz(xz_path, std::ios::binary);
  std::uint8_t head[8];
  std::vector<char> body;
  while (in.read(reinterpret_cast<char*>(head), 8)) {
    std::uint32_t length = head[0] | head[1] << 8 | head[2] << 16 | std::uint32_t{head[3]} << 24;
    body.resize(length);
    if (!in.read(body.data(), length)) return 1;
    xz.write(body.data(), length);
  }
  return 0;
}

int Decode(const char* block_path) {
  FILE* f = std::fopen(block_path, "rb");
  if (!f) return 1;
  std::fseek(f, 0, SEEK_END);
  auto size = static_cast<std::uint64_t>(ftello(f));
  mv::PullDataSource source(size, [&](std::uint64_t offset, std::span<std::uint8_t> out) {
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0 && std::fread(out.data(), 1, out.size(), f) == out.size();
  });
  // The header values the runtime would compare with: taken from a first pass here.
  mv::PackageHeader header;
  header.data_size = static_cast<std::int32_t>(size);
  std::uint32_t crc = 0;
  std::vector<std::uint8_t> portion(1 << 16);
  for (std::uint64_t at = 0; at < size; at += portion.size()) {
    auto n = static_cast<std::size_t>(std::min<std::uint64_t>(portion.size(), size - at));
    source.Read(at, std::span(portion.data(), n));
    crc = mv::Crc32(std::span(portion.data(), n), crc);
  }
  header.data_crc = crc;

  mv::CheckDataBlockSize(size, header);
  mv::CheckDataBlockCrc(source, header);
  mv::DataBlockOptions options;
  options.chunks_compressed = true;
  std::uint64_t decoded = 0;
  mv::DecodeDataBlock(source, options, [&](std::span<const std::uint8_t> b) { decoded += b.size(); });
  std::fclose(f);
  std::printf("decoded %llu bytes\n", static_cast<unsigned long long>(decoded));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "make") == 0) return Make(argv[2], argv[3], std::stoul(argv[4]));
  if (argc == 3 && std::strcmp(argv[1], "decode") == 0) return Decode(argv[2]);
  std::fputs("usage: decode_bench make <block> <xz> <MiB> | decode <block>\n", stderr);
  return 2;
}
