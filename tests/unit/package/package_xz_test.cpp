#include "package/xz.h"

#include <gtest/gtest.h>

#include <lzma.h>

#include <algorithm>

#include "package_test_support.h"

namespace mv {
namespace {

using testing::Filler;

TEST(XzDecompress, RoundTripsAcrossPortionBorders) {
  for (std::size_t size : {0, 1, 16383, 16384, 16385, 200000}) {
    const Bytes data = Filler(size, static_cast<std::uint32_t>(size));
    for (XzCheck check : {XzCheck::kCrc32, XzCheck::kCrc64}) {
      const Bytes packed = XzCompress(data, 6, false, check);
      const auto back = XzDecompress(packed);
      ASSERT_TRUE(back.has_value()) << size;
      EXPECT_EQ(*back, data) << size;
    }
  }
}

TEST(XzDecompress, AcceptsConcatenatedStreams) {
  const Bytes a = Filler(30000, 1), b = Filler(5, 2);
  Bytes packed = XzCompress(a, 1, false);
  const Bytes second = XzCompress(b, 1, false);
  packed.insert(packed.end(), second.begin(), second.end());
  Bytes both = a;
  both.insert(both.end(), b.begin(), b.end());
  EXPECT_EQ(XzDecompress(packed), both);
}

TEST(XzDecompress, FailsOnBadTruncatedOrTrailingInput) {
  const Bytes packed = XzCompress(Filler(40000), 6, false);
  EXPECT_FALSE(XzDecompress({}).has_value());
  EXPECT_FALSE(XzDecompress(Bytes(100, 0x42)).has_value());
  for (std::size_t cut : {std::size_t{1}, std::size_t{12}, packed.size() / 2, packed.size() - 1})
    EXPECT_FALSE(XzDecompress(Bytes(packed.begin(), packed.begin() + cut)).has_value()) << cut;
  Bytes flipped = packed;
  flipped[flipped.size() / 2] ^= 0x10;
  EXPECT_FALSE(XzDecompress(flipped).has_value());
  Bytes trailing = packed;
  trailing.push_back(0x01);
  EXPECT_FALSE(XzDecompress(trailing).has_value());
}

// The dictionary is what a decoder must allocate: the limit has to reach the stream itself, which a
// decoder with a memory limit below the unlimited dictionary then still decodes.
TEST(XzCompress, DictionaryLimitBoundsTheDecodingMemory) {
  const Bytes data = Filler(1u << 20, 3);
  const auto decodes_within = [](const Bytes& packed, std::uint64_t memory_limit) {
    std::uint64_t limit = memory_limit;
    std::size_t in = 0, out = 0;
    Bytes back(2u << 20);
    return lzma_stream_buffer_decode(&limit, 0, nullptr, packed.data(), &in, packed.size(), back.data(), &out,
                                     back.size()) == LZMA_OK;
  };
  struct Case {
    std::uint32_t dictionary_limit;
    bool decodes_in_512_kib;
  } cases[] = {{0, false}, {8u << 20, false}, {256u << 10, true}, {1, true}};
  for (const Case& c : cases) {
    const Bytes packed = XzCompress(data, 9, false, XzCheck::kCrc64, c.dictionary_limit);
    EXPECT_EQ(XzDecompress(packed), data) << c.dictionary_limit;
    EXPECT_EQ(decodes_within(packed, 512u << 10), c.decodes_in_512_kib) << c.dictionary_limit;
    EXPECT_TRUE(decodes_within(packed, 4u << 20)) << c.dictionary_limit;
  }
}

TEST(XzCompress, TheNiceLengthIsTheEncodersAloneAndChecked) {
  const Bytes data = Filler(200000, 5);
  const Bytes preset = XzCompress(data, 9, false);
  const Bytes shortest = XzCompress(data, 9, false, XzCheck::kCrc64, 0, 2);
  EXPECT_NE(shortest, preset) << "the nice length must reach the encoder";
  EXPECT_EQ(XzCompress(data, 9, false, XzCheck::kCrc64, 0, 64), preset) << "64 is preset 9's own";
  for (const Bytes& packed : {shortest, XzCompress(data, 9, false, XzCheck::kCrc64, 0, 273)})
    EXPECT_EQ(XzDecompress(packed), data);
  EXPECT_THROW(XzCompress(data, 9, false, XzCheck::kCrc64, 0, 1), std::invalid_argument);
  EXPECT_THROW(XzCompress(data, 9, false, XzCheck::kCrc64, 0, 274), std::invalid_argument);
}

TEST(XzDecompress, StopsAtTheOutputLimit) {
  const Bytes packed = XzCompress(Bytes(100000, 0), 6, false);
  EXPECT_FALSE(XzDecompress(packed, 99999).has_value());
  EXPECT_EQ(XzDecompress(packed, 100000)->size(), 100000u);
}

TEST(XzStreamDecoder, DeliversBoundedPortionsWhateverTheInputPortions) {
  const Bytes data = Filler(300000, 7);
  const Bytes packed = XzCompress(data, 6, false);
  for (std::size_t step : {std::size_t{1}, std::size_t{1000}, packed.size()}) {
    Bytes out;
    std::size_t portions = 0, largest = 0;
    XzStreamDecoder decoder([&](std::span<const std::uint8_t> part) {
      ++portions;
      largest = std::max(largest, part.size());
      out.insert(out.end(), part.begin(), part.end());
    });
    for (std::size_t at = 0; at < packed.size(); at += step)
      ASSERT_TRUE(decoder.Feed(std::span(packed).subspan(at, std::min(step, packed.size() - at))));
    EXPECT_TRUE(decoder.Finish());
    EXPECT_EQ(out, data) << step;
    EXPECT_LE(largest, kXzPortion);
    EXPECT_GE(portions, data.size() / kXzPortion);
  }
}

TEST(XzStreamDecoder, FinishFailsForATruncatedStreamAndFeedForGarbage) {
  const Bytes packed = XzCompress(Filler(5000), 6, false);
  XzStreamDecoder truncated([](std::span<const std::uint8_t>) {});
  EXPECT_TRUE(truncated.Feed(std::span(packed).first(packed.size() - 4)));
  EXPECT_FALSE(truncated.Finish());

  XzStreamDecoder garbage([](std::span<const std::uint8_t>) {});
  EXPECT_FALSE(garbage.Feed(Bytes(64, 0x77)));
  EXPECT_FALSE(garbage.Finish());
}

TEST(XzSingleStreamDecodedSize, ComesFromTheIndexOfExactlyOneStream) {
  const Bytes data = Filler(100000, 7);
  const Bytes one = XzCompress(data, 1, false);
  auto with = [](Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  Bytes bad_footer = one;
  bad_footer[bad_footer.size() - 5] ^= 0x01;
  Bytes bad_index = one;
  bad_index[bad_index.size() - 14] ^= 0x01;
  struct Case {
    const char* what;
    Bytes stream;
    std::optional<std::uint64_t> size;
  } cases[] = {
      {"one stream", one, data.size()},
      {"an empty stream", XzCompress({}, 1, false), 0},
      {"two streams", with(one, XzCompress(Filler(10), 1, false)), std::nullopt},
      {"stream padding", with(one, Bytes(4, 0)), std::nullopt},
      {"cut short", Bytes(one.begin() + 1, one.end()), std::nullopt},
      {"damaged footer", bad_footer, std::nullopt},
      {"damaged index", bad_index, std::nullopt},
      {"too short for a stream", Bytes(20, 0), std::nullopt},
  };
  for (const Case& c : cases) {
    const XzReader read = [&](std::uint64_t offset, std::span<std::uint8_t> out) {
      if (offset > c.stream.size() || out.size() > c.stream.size() - offset) return false;
      std::copy_n(c.stream.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
      return true;
    };
    EXPECT_EQ(XzSingleStreamDecodedSize(c.stream.size(), read), c.size) << c.what;
  }
  EXPECT_EQ(XzSingleStreamDecodedSize(one.size(), [](std::uint64_t, std::span<std::uint8_t>) { return false; }),
            std::nullopt)
      << "unreadable";
}

}  // namespace
}  // namespace mv
