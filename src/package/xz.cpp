#include "package/xz.h"

#include <lzma.h>

#include <algorithm>
#include <stdexcept>

namespace mv {

namespace {

// A decoder that accepts concatenated streams and has no memory limit.
bool InitDecoder(lzma_stream& stream) {
  stream = LZMA_STREAM_INIT;
  return lzma_stream_decoder(&stream, UINT64_MAX, LZMA_CONCATENATED) == LZMA_OK;
}

}  // namespace

std::optional<Bytes> XzDecompress(std::span<const std::uint8_t> input, std::size_t max_output) {
  lzma_stream stream;
  if (!InitDecoder(stream)) return std::nullopt;
  struct End {
    lzma_stream* s;
    ~End() { lzma_end(s); }
  } end{&stream};

  Bytes output;
  const std::uint64_t wanted = 3ull * input.size() + 1024;
  const std::uint64_t cap = std::min<std::uint64_t>(
      {wanted, static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()), max_output});
  output.reserve(static_cast<std::size_t>(cap));

  std::uint8_t portion[kXzPortion];
  std::size_t offset = 0;
  for (;;) {
    const std::size_t n = std::min(kXzPortion, input.size() - offset);
    const bool last = offset + n == input.size();
    stream.next_in = input.data() + offset;
    stream.avail_in = n;
    offset += n;
    const lzma_action action = last ? LZMA_FINISH : LZMA_RUN;
    // Run until this portion is consumed (or, for the last, until the stream ends).
    for (;;) {
      stream.next_out = portion;
      stream.avail_out = sizeof portion;
      const lzma_ret ret = lzma_code(&stream, action);
      const std::size_t produced = sizeof portion - stream.avail_out;
      if (produced > max_output - output.size()) return std::nullopt;
      output.insert(output.end(), portion, portion + produced);
      if (ret == LZMA_STREAM_END) return output;
      if (ret != LZMA_OK) return std::nullopt;
      // This portion is used up and the decoder had room to spare: on to the next portion. For the
      // last portion keep finishing: a stream cut short ends in a buffer error.
      if (!last && stream.avail_in == 0 && stream.avail_out != 0) break;
    }
  }
}

std::optional<std::uint64_t> XzSingleStreamDecodedSize(std::uint64_t stream_size, const XzReader& read) {
  constexpr std::uint64_t kEnds = 2 * LZMA_STREAM_HEADER_SIZE;
  if (stream_size < kEnds) return std::nullopt;
  std::uint8_t footer[LZMA_STREAM_HEADER_SIZE];
  if (!read(stream_size - LZMA_STREAM_HEADER_SIZE, footer)) return std::nullopt;
  lzma_stream_flags flags{};
  if (lzma_stream_footer_decode(&flags, footer) != LZMA_OK) return std::nullopt;
  // The index of one chunk's stream is a few bytes per block; a larger one is not ours to trust.
  constexpr std::uint64_t kLargestIndex = 1u << 20;
  if (flags.backward_size > stream_size - kEnds || flags.backward_size > kLargestIndex) return std::nullopt;
  Bytes index_bytes(static_cast<std::size_t>(flags.backward_size));
  if (!read(stream_size - LZMA_STREAM_HEADER_SIZE - flags.backward_size, index_bytes)) return std::nullopt;
  lzma_index* index = nullptr;
  std::uint64_t memory_limit = 4u << 20;
  std::size_t position = 0;
  if (lzma_index_buffer_decode(&index, &memory_limit, nullptr, index_bytes.data(), &position, index_bytes.size()) !=
      LZMA_OK)
    return std::nullopt;
  const std::uint64_t whole = lzma_index_stream_size(index);
  const std::uint64_t decoded = lzma_index_uncompressed_size(index);
  lzma_index_end(index, nullptr);
  if (position != index_bytes.size() || whole != stream_size) return std::nullopt;
  return decoded;
}

struct XzStreamDecoder::State {
  lzma_stream stream;
  bool ready = false;
  ~State() {
    if (ready) lzma_end(&stream);
  }
};

XzStreamDecoder::XzStreamDecoder(Sink sink) : state_(std::make_unique<State>()), sink_(std::move(sink)) {
  state_->ready = InitDecoder(state_->stream);
  failed_ = !state_->ready;
}

XzStreamDecoder::~XzStreamDecoder() = default;

bool XzStreamDecoder::Run(std::span<const std::uint8_t> input, bool finish) {
  if (failed_) return false;
  if (ended_) return input.empty();
  lzma_stream& stream = state_->stream;
  stream.next_in = input.data();
  stream.avail_in = input.size();
  std::uint8_t portion[kXzPortion];
  for (;;) {
    stream.next_out = portion;
    stream.avail_out = sizeof portion;
    const lzma_ret ret = lzma_code(&stream, finish ? LZMA_FINISH : LZMA_RUN);
    const std::size_t produced = sizeof portion - stream.avail_out;
    if (produced > 0) sink_(std::span<const std::uint8_t>(portion, produced));
    // With concatenated streams the end is reported only for the finish action, after all input.
    if (ret == LZMA_STREAM_END) {
      ended_ = true;
      return true;
    }
    if (ret != LZMA_OK) {
      failed_ = true;
      return false;
    }
    if (!finish && stream.avail_in == 0 && stream.avail_out != 0) return true;
  }
}

bool XzStreamDecoder::Feed(std::span<const std::uint8_t> input) { return Run(input, false); }

bool XzStreamDecoder::Finish() { return Run({}, true) && ended_; }

Bytes XzCompress(std::span<const std::uint8_t> input, std::uint32_t preset, bool extreme, XzCheck check,
                 std::uint32_t dictionary_limit, std::uint32_t nice_length) {
  lzma_options_lzma options;
  if (lzma_lzma_preset(&options, preset | (extreme ? LZMA_PRESET_EXTREME : 0)))
    throw std::invalid_argument("unsupported xz preset " + std::to_string(preset));
  if (dictionary_limit != 0 && dictionary_limit < options.dict_size)
    options.dict_size = std::max<std::uint32_t>(LZMA_DICT_SIZE_MIN, dictionary_limit);
  // A dictionary larger than the input gains nothing but makes the decoder allocate it.
  if (input.size() < options.dict_size)
    options.dict_size = std::max<std::uint32_t>(LZMA_DICT_SIZE_MIN, static_cast<std::uint32_t>(input.size()));
  if (nice_length != 0) {
    if (nice_length < 2 || nice_length > 273)
      throw std::invalid_argument("unsupported xz nice length " + std::to_string(nice_length));
    options.nice_len = nice_length;
  }
  lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};

  Bytes output(lzma_stream_buffer_bound(input.size()));
  std::size_t used = 0;
  const lzma_ret ret = lzma_stream_buffer_encode(
      filters, check == XzCheck::kCrc64 ? LZMA_CHECK_CRC64 : LZMA_CHECK_CRC32, nullptr, input.data(),
      input.size(), output.data(), &used, output.size());
  if (ret != LZMA_OK) throw std::runtime_error("xz compression failed (" + std::to_string(ret) + ")");
  output.resize(used);
  return output;
}

}  // namespace mv
