// xz (liblzma) decompression of the settings block and the file-data chunks, and compression for
// the package writer.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>

#include "base/bytes.h"

namespace mv {

inline constexpr std::size_t kXzPortion = 16384;

// Decompresses a whole buffer: stream decoder without memory limit, concatenated streams accepted,
// input fed in 16 KiB portions (the last with the finish action), output collected 16 KiB at a
// time into a buffer reserved at 3 x input + 1024 bytes (capped at INT32_MAX). Returns nothing on
// any decoder error, when the input ends before the end of the stream, or when the output would
// exceed `max_output` bytes.
std::optional<Bytes> XzDecompress(
    std::span<const std::uint8_t> input,
    std::size_t max_output = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()));

// Incremental decompression: input arrives in portions, decoded bytes leave through the sink in
// portions of at most kXzPortion bytes. Nothing holds more than one output portion.
class XzStreamDecoder {
 public:
  using Sink = std::function<void(std::span<const std::uint8_t>)>;

  explicit XzStreamDecoder(Sink sink);
  ~XzStreamDecoder();
  XzStreamDecoder(const XzStreamDecoder&) = delete;
  XzStreamDecoder& operator=(const XzStreamDecoder&) = delete;

  // Decodes one input portion; false on a decoder error (the decoder is then unusable).
  bool Feed(std::span<const std::uint8_t> input);
  // Signals the end of the input; true only when the stream(s) ended properly.
  bool Finish();

 private:
  struct State;
  bool Run(std::span<const std::uint8_t> input, bool finish);

  std::unique_ptr<State> state_;
  Sink sink_;
  bool failed_ = false;
  bool ended_ = false;
};

// The decoded size of `stream_size` bytes that should be exactly one xz stream, from the stream's
// footer and index alone, read through `read(offset, out)` (offsets within the stream; false when
// the bytes cannot be read). Nothing when they are not one stream with a sound footer and an index
// that accounts for every byte (several streams, stream padding, damage): the size then cannot be
// known without decoding.
using XzReader = std::function<bool(std::uint64_t offset, std::span<std::uint8_t> out)>;
std::optional<std::uint64_t> XzSingleStreamDecodedSize(std::uint64_t stream_size, const XzReader& read);

enum class XzCheck { kCrc32, kCrc64 };

// Compresses into one xz stream. `preset` is 0-9; `extreme` adds the extreme flag. The dictionary
// is the preset's, but never larger than the input nor than `dictionary_limit` (0: no limit): the
// decoder allocates the whole dictionary, so the limit is the decoding memory of the stream.
// `nice_length` (2-273; 0: the preset's) is the match length the encoder takes without looking for
// a longer one: shorter is faster to compress and barely larger, decoding is unaffected.
Bytes XzCompress(std::span<const std::uint8_t> input, std::uint32_t preset = 9, bool extreme = true,
                 XzCheck check = XzCheck::kCrc64, std::uint32_t dictionary_limit = 0,
                 std::uint32_t nice_length = 0);

}  // namespace mv
