#include "package/data_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "package/corrupt.h"
#include "package/crc32.h"
#include "package_test_support.h"

namespace mv {
namespace {

using testing::Filler;

Bytes Key() {
  Bytes key(56);
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(255 - i);
  return key;
}

Bytes Decode(DataBlockSource& source, const DataBlockOptions& options) {
  Bytes out;
  DecodeDataBlock(source, options, [&](std::span<const std::uint8_t> part) { out.insert(out.end(), part.begin(), part.end()); });
  return out;
}

// The same through the decoding in place: every chunk written at its offset, from several threads.
Bytes DecodeInPlace(DataBlockSource& source, const DataBlockOptions& options) {
  Bytes out;
  std::mutex guard;
  const std::uint64_t size = DecodeDataBlockInPlace(source, options, [&](std::uint64_t offset, std::span<const std::uint8_t> part) {
    EXPECT_LE(part.size(), kPlacedWriteBlock);
    std::lock_guard lock(guard);
    if (out.size() < offset + part.size()) out.resize(static_cast<std::size_t>(offset + part.size()));
    std::copy(part.begin(), part.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
  });
  EXPECT_EQ(size, out.size());
  return out;
}

int CodeOf(const Bytes& block, const DataBlockOptions& options, bool in_place = false) {
  MemoryDataSource source(block);
  try {
    if (in_place) DecodeInPlace(source, options);
    else Decode(source, options);
  } catch (const CorruptPackage& e) {
    return e.code();
  }
  return 0;
}

// A framed chunk around the given stored bytes, with their true CRC unless told otherwise.
Bytes Chunk(const Bytes& stored, std::optional<std::uint32_t> length = {}, std::optional<std::uint32_t> crc = {}) {
  Bytes out;
  AppendLe32(out, length.value_or(static_cast<std::uint32_t>(stored.size())));
  AppendLe32(out, crc.value_or(Crc32(stored)));
  out.insert(out.end(), stored.begin(), stored.end());
  return out;
}

TEST(DataBlock, RoundTripsWithEveryCombinationOfCipherAndCompression) {
  const Blowfish cipher(Key());
  const Bytes content = Filler(70000, 3);
  for (bool compress : {false, true}) {
    for (bool encipher : {false, true}) {
      DataBlockWriterOptions w;
      w.chunk_size = 25000;
      w.compress = compress;
      w.preset = 1;
      w.extreme = false;
      w.blowfish = encipher ? &cipher : nullptr;
      DataBlockWriterOptions threaded = w;
      threaded.threads = 2;  // three chunks: the third waits for the first to be emitted
      Bytes block;
      DataBlockWriter writer(threaded, [&](std::span<const std::uint8_t> b) { block.insert(block.end(), b.begin(), b.end()); });
      // Written in uneven pieces: chunk borders do not depend on how the writer is fed.
      for (std::size_t at = 0; at < content.size(); at += 9999)
        writer.Write(std::span(content).subspan(at, std::min<std::size_t>(9999, content.size() - at)));
      writer.Finish();
      EXPECT_EQ(writer.size(), block.size());
      EXPECT_EQ(writer.crc(), Crc32(block));
      EXPECT_EQ(block, EncodeDataBlock(content, w)) << "the same block from one thread";

      DataBlockOptions r{encipher ? &cipher : nullptr, compress, {}};
      std::uint64_t last_progress = 0;
      int chunks = 0;
      r.progress = [&](std::uint64_t consumed, std::uint64_t total) {
        EXPECT_GT(consumed, last_progress);
        EXPECT_EQ(total, block.size());
        last_progress = consumed;
        ++chunks;
      };
      MemoryDataSource memory(block);
      EXPECT_EQ(Decode(memory, r), content) << compress << encipher;
      EXPECT_EQ(chunks, 3);
      EXPECT_EQ(last_progress, block.size());

      PullDataSource pulled(block.size(), [&](std::uint64_t offset, std::span<std::uint8_t> out) {
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
        return true;
      });
      r.progress = nullptr;
      EXPECT_EQ(Decode(pulled, r), content) << compress << encipher;

      // Side by side: the same bytes in the same order, the progress still in order.
      r.threads = 3;
      last_progress = 0;
      chunks = 0;
      r.progress = [&](std::uint64_t consumed, std::uint64_t) {
        EXPECT_GT(consumed, last_progress);
        last_progress = consumed;
        ++chunks;
      };
      EXPECT_EQ(Decode(memory, r), content) << compress << encipher << " threads";
      EXPECT_EQ(chunks, 3);
      // In place: every chunk at its offset, the progress still in order.
      last_progress = 0;
      chunks = 0;
      EXPECT_EQ(DecodeInPlace(pulled, r), content) << compress << encipher << " in place";
      EXPECT_EQ(chunks, 3);
      EXPECT_EQ(last_progress, block.size());
      r.progress = nullptr;
      EXPECT_EQ(Decode(pulled, r), content) << compress << encipher << " threads";
    }
  }
  EXPECT_TRUE(EncodeDataBlock({}, {}).empty());
}

// The extraction reads records while later chunks are still being decoded: what `placed` reports
// must already be written, and the size planned before decoding must be the size decoded.
TEST(DataBlock, PlacedCoversOnlyWrittenBytesAndPlannedSizeIsTheDecodedSize) {
  const Blowfish cipher(Key());
  struct Shape {
    std::size_t content, chunk;
    int chunks;
  };
  // Small chunks, and chunks of more than one write block, whose bytes are in place block by block.
  for (const Shape shape : {Shape{90000, 20000, 5}, Shape{kPlacedWriteBlock * 7 / 2, kPlacedWriteBlock * 3 / 2, 3}}) {
    const Bytes content = Filler(shape.content, 4);
    for (bool compress : {false, true}) {
      for (bool encipher : {false, true}) {
        for (std::size_t threads : {1u, 3u}) {
          DataBlockWriterOptions w;
          w.chunk_size = shape.chunk;
          w.compress = compress;
          w.preset = 1;
          w.extreme = false;
          w.blowfish = encipher ? &cipher : nullptr;
          const Bytes block = EncodeDataBlock(content, w);
          MemoryDataSource source(block);
          DataBlockOptions r{encipher ? &cipher : nullptr, compress, {}};
          r.threads = threads;
          EXPECT_EQ(PlannedDecodedSize(source, r), encipher ? std::nullopt : std::optional<std::uint64_t>(content.size()));

          std::mutex guard;
          std::vector<bool> written(content.size());
          std::uint64_t last = 0;
          int reports = 0;
          r.placed = [&](std::uint64_t decoded) {
            std::lock_guard lock(guard);
            EXPECT_TRUE(std::all_of(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(decoded),
                                    [](bool b) { return b; }))
                << decoded;
            last = std::max(last, decoded);
            ++reports;
          };
          DecodeDataBlockInPlace(source, r, [&](std::uint64_t offset, std::span<const std::uint8_t> part) {
            std::lock_guard lock(guard);
            const auto at = static_cast<std::ptrdiff_t>(offset);
            EXPECT_TRUE(std::equal(part.begin(), part.end(), content.begin() + at)) << offset;
            std::fill(written.begin() + at, written.begin() + at + static_cast<std::ptrdiff_t>(part.size()), true);
          });
          EXPECT_EQ(last, content.size()) << compress << encipher << threads;
          // Side by side, the oldest chunk's blocks are reported as they are written.
          const bool by_block = threads > 1 && !encipher && shape.chunk > kPlacedWriteBlock;
          if (by_block) EXPECT_GT(reports, shape.chunks) << compress;
          else EXPECT_GE(reports, shape.chunks) << compress << encipher << threads;
        }
      }
    }
  }
  // A damaged head leaves the size unknown; the decoding reports the damage in its order.
  Bytes damaged = EncodeDataBlock(Filler(90000, 4), {});
  const Bytes empty_chunk = Chunk({}, 0);
  damaged.insert(damaged.end(), empty_chunk.begin(), empty_chunk.end());
  MemoryDataSource source(damaged);
  EXPECT_EQ(PlannedDecodedSize(source, {nullptr, true, {}}), std::nullopt);
}

TEST(DataBlock, StreamsInBoundedPortionsAndReadsOneChunkAtATime) {
  const Bytes content = Filler(3 * 1024 * 1024 + 77, 5);
  for (bool compress : {true, false}) {
    DataBlockWriterOptions w;
    w.chunk_size = 1024 * 1024;
    w.compress = compress;
    w.preset = 0;
    w.extreme = false;
    const Bytes block = EncodeDataBlock(content, w);

    std::size_t largest_read = 0;
    PullDataSource source(block.size(), [&](std::uint64_t offset, std::span<std::uint8_t> out) {
      largest_read = std::max(largest_read, out.size());
      std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
      return true;
    });
    std::size_t portions = 0, largest_portion = 0, position = 0;
    bool matches = true;
    DecodeDataBlock(source, {nullptr, compress, {}}, [&](std::span<const std::uint8_t> part) {
      ++portions;
      largest_portion = std::max(largest_portion, part.size());
      matches = matches && position + part.size() <= content.size() &&
                std::equal(part.begin(), part.end(), content.begin() + static_cast<std::ptrdiff_t>(position));
      position += part.size();
    });
    EXPECT_TRUE(matches) << compress;
    EXPECT_EQ(position, content.size()) << compress;
    EXPECT_LE(largest_portion, kXzPortion) << compress;
    EXPECT_GE(portions, content.size() / kXzPortion) << compress;
    EXPECT_LT(largest_read, w.chunk_size + 1024) << compress;  // one stored chunk, never the block

    // In place, side by side: no read takes a whole chunk.
    std::mutex guard;
    largest_read = 0;
    PullDataSource shared(block.size(), [&](std::uint64_t offset, std::span<std::uint8_t> out) {
      std::lock_guard lock(guard);
      largest_read = std::max(largest_read, out.size());
      std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
      return true;
    });
    DataBlockOptions in_place{nullptr, compress, {}};
    in_place.threads = 2;
    EXPECT_EQ(DecodeInPlace(shared, in_place), content) << compress;
    EXPECT_LE(largest_read, 64u * 1024) << compress;
  }
}

TEST(DataBlock, ChunkChecksGiveTheirCodes) {
  const Blowfish cipher(Key());
  const Bytes packed = XzCompress(Filler(3000), 1, false);
  Bytes broken = packed;
  broken[broken.size() / 2] ^= 0x01;
  ASSERT_NE(packed.size() % 8, 0u);
  const Bytes good = Chunk(packed);
  Bytes bad_length_word(16, 0);
  StoreLe32(&bad_length_word[12], 13);
  for (std::size_t i = 0; i < 16; i += 8) cipher.EncryptBlock(bad_length_word.data() + i);
  auto then = [](Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  struct Case {
    const char* what;
    Bytes block;
    bool compressed;
    const Blowfish* blowfish;
    int code;
  } cases[] = {
      {"empty block", {}, true, nullptr, 0},
      {"length 0", Chunk({}), false, nullptr, 61},
      {"negative length", Chunk({1, 2, 3}, 0x80000000u), false, nullptr, 61},
      {"length one past the end", Chunk({1, 2, 3}, 4), false, nullptr, 63},
      {"length exactly to the end", Chunk({1, 2, 3}), false, nullptr, 0},
      {"head cut short after a chunk", then(good, {1, 2, 3, 4, 5, 6, 7}), true, nullptr, 63},
      {"CRC mismatch", Chunk(packed, {}, Crc32(packed) ^ 1), true, nullptr, 62},
      {"CRC mismatch in the second chunk", then(good, Chunk({9}, {}, 0)), false, nullptr, 62},
      {"does not decompress", Chunk(broken), true, nullptr, 60},
      {"uncompressed bytes need not be xz", Chunk(broken), false, nullptr, 0},
      // A chunk the cipher cannot take is passed on as it is, here still valid xz data.
      {"enciphered chunk of bad length", Chunk(packed), true, &cipher, 0},
      {"enciphered chunk with a bad length word", Chunk(bad_length_word), true, &cipher, 60},
      // The earlier damage is the one reported, also when chunks are decoded side by side.
      {"bad CRC, then a bad head", then(then(good, Chunk(packed, {}, 0)), Chunk({}, 0)), true, nullptr, 62},
      {"bad data, then a bad CRC", then(Chunk(broken), Chunk(packed, {}, 0)), true, nullptr, 60},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CodeOf(c.block, {c.blowfish, c.compressed, {}}), c.code) << c.what;
    DataBlockOptions parallel{c.blowfish, c.compressed, {}};
    parallel.threads = 3;
    EXPECT_EQ(CodeOf(c.block, parallel), c.code) << c.what << " (side by side)";
    EXPECT_EQ(CodeOf(c.block, parallel, true), c.code) << c.what << " (in place)";
  }
}

TEST(DataBlock, LengthAndCrcOfTheWholeBlock) {
  const Bytes block = EncodeDataBlock(Filler(5000), {});
  PackageHeader h;
  h.data_size = static_cast<std::int32_t>(block.size());
  h.data_crc = Crc32(block);
  EXPECT_NO_THROW(CheckDataBlockSize(block.size(), h));
  try {
    CheckDataBlockSize(block.size() - 1, h);
    FAIL();
  } catch (const CorruptPackage& e) {
    EXPECT_EQ(e.code(), 46);
  }

  Bytes damaged = block;
  damaged.back() ^= 0x80;
  for (const Bytes* b : std::initializer_list<const Bytes*>{&block, &damaged}) {
    MemoryDataSource memory(*b);
    int reads = 0;
    PullDataSource pulled(b->size(), [&](std::uint64_t offset, std::span<std::uint8_t> out) {
      ++reads;
      std::copy_n(b->begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
      return true;
    });
    for (DataBlockSource* source : std::initializer_list<DataBlockSource*>{&memory, &pulled}) {
      int code = 0;
      try {
        CheckDataBlockCrc(*source, h);
      } catch (const CorruptPackage& e) {
        code = e.code();
      }
      EXPECT_EQ(code, b == &block ? 0 : 55);
    }
    EXPECT_GE(reads, 1);
  }
}

TEST(DataBlock, LocatesTheBlockInTheSectionOrAfterIt) {
  PackageHeader h;
  h.header_length = 100;
  h.settings_size = 50;
  Bytes section(400);
  h.data_end = 400;
  EXPECT_EQ(InSectionDataBlock(section, h).size(), 250u);
  EXPECT_EQ(InSectionDataBlock(section, h).data(), section.data() + 150);
  for (std::int32_t bad_end : {401, 149}) {
    h.data_end = bad_end;
    EXPECT_THROW(InSectionDataBlock(section, h), CorruptPackage) << bad_end;
  }

  SectionInfo info;
  info.raw_offset = 1000;
  // The same block as bytes of the file, when the section's raw data holds all of it.
  h.data_end = 400;
  info.raw_size = 400;
  EXPECT_EQ(InSectionDataBlockRange(section.size(), info, h), (FileRange{1150, 250}));
  info.raw_size = 399;  // the block's last byte is one the loader fills in
  EXPECT_EQ(InSectionDataBlockRange(section.size(), info, h), std::nullopt);
  for (std::int32_t bad_end : {401, 149}) {
    h.data_end = bad_end;
    EXPECT_THROW(InSectionDataBlockRange(section.size(), info, h), CorruptPackage) << bad_end;
  }

  const FileRange range = ExternalDataBlockRange(5000, info, h);
  EXPECT_EQ(range.offset, 1150u);
  EXPECT_EQ(range.length, 3850u);
  EXPECT_EQ(ExternalDataBlockRange(1150, info, h).length, 0u);
  EXPECT_THROW(ExternalDataBlockRange(1149, info, h), CorruptPackage);
}

TEST(DataBlock, ASignedInstallersExternalBlockEndsAtTheCertificateTable) {
  PackageHeader h;
  h.header_length = 100;
  h.settings_size = 50;
  SectionInfo info;
  info.raw_offset = 1000;  // the block starts at 1150
  struct Case {
    const char* name;
    std::int32_t data_size;
    FileRange table;
    FileRange expected;
    bool size_matches;  // CheckDataBlockSize passes
  } cases[] = {
      {"unsigned: to the end of the file", 3850, {}, {1150, 3850}, true},
      {"table right after the block", 2850, {4000, 1000}, {1150, 2850}, true},
      // 1150 + 2845 = 3995: signing padded 5 zero bytes to put the table at 4000.
      {"padding before the table", 2845, {4000, 1000}, {1150, 2845}, true},
      {"more than the padding before the table", 2842, {4000, 1000}, {1150, 2850}, false},
      {"DataSize past the table", 2851, {4000, 1000}, {1150, 2850}, false},
      {"table at the block's start", 0, {1150, 3850}, {1150, 0}, true},
      {"table before the block is not its end", 3850, {500, 100}, {1150, 3850}, true},
      {"negative DataSize", -1, {4000, 1000}, {1150, 2850}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    h.data_size = c.data_size;
    const FileRange range = ExternalDataBlockRange(5000, info, h, c.table);
    EXPECT_EQ(range, c.expected);
    if (c.size_matches) {
      EXPECT_NO_THROW(CheckDataBlockSize(range.length, h));
    } else {
      EXPECT_THROW(CheckDataBlockSize(range.length, h), CorruptPackage);
    }
  }
  EXPECT_THROW(ExternalDataBlockRange(1149, info, h, {4000, 1000}), CorruptPackage);
}

TEST(DataBlock, AFailedReadIsFatalWithSizeAndFilePosition) {
  const Bytes block = EncodeDataBlock(Filler(100), {});
  PullDataSource source(block.size(), [](std::uint64_t, std::span<std::uint8_t>) { return false; }, 4096);
  try {
    Decode(source, {nullptr, true, {}});
    FAIL();
  } catch (const FatalPackageError& e) {
    EXPECT_STREQ(e.what(), "Error code 2: failed to read archive data\r\nsize=8 pos=4096");
  }
}

}  // namespace
}  // namespace mv
