#include "package/data_block.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <future>
#include <stdexcept>

#include "package/corrupt.h"
#include "package/crc32.h"

namespace mv {

namespace {

constexpr std::size_t kChunkHeadSize = 8;
constexpr std::size_t kReadPortion = 64 * 1024;

void ReadOrFail(DataBlockSource& source, std::uint64_t offset, std::span<std::uint8_t> out) {
  if (!source.Read(offset, out))
    throw FatalPackageError(ArchiveReadFailureMessage(out.size(), source.FilePosition(offset)));
}

void EmitInPortions(std::span<const std::uint8_t> bytes, const ByteSink& sink) {
  while (!bytes.empty()) {
    const std::size_t n = std::min(bytes.size(), kXzPortion);
    sink(bytes.first(n));
    bytes = bytes.subspan(n);
  }
}

}  // namespace

bool MemoryDataSource::Read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > block_.size() || out.size() > block_.size() - offset) return false;
  if (!out.empty()) std::memcpy(out.data(), block_.data() + offset, out.size());
  return true;
}

std::span<const std::uint8_t> InSectionDataBlock(std::span<const std::uint8_t> section,
                                                 const PackageHeader& header) {
  const std::uint64_t start = header.SettingsEnd();
  const std::uint64_t end = static_cast<std::uint64_t>(header.data_end);
  if (end < start || end > section.size()) throw CorruptPackage(46, "file data outside the section");
  return section.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

std::optional<FileRange> InSectionDataBlockRange(std::uint64_t section_size, const SectionInfo& section,
                                                 const PackageHeader& header) {
  const std::uint64_t start = header.SettingsEnd();
  const std::uint64_t end = static_cast<std::uint64_t>(header.data_end);
  if (end < start || end > section_size) throw CorruptPackage(46, "file data outside the section");
  if (end > section.raw_size) return std::nullopt;
  return FileRange{std::uint64_t{section.raw_offset} + start, end - start};
}

FileRange ExternalDataBlockRange(std::uint64_t file_size, const SectionInfo& section,
                                 const PackageHeader& header, const FileRange& certificate_table) {
  const std::uint64_t start = std::uint64_t{section.raw_offset} + header.SettingsEnd();
  if (start > file_size) throw CorruptPackage(46, "installer file ends before its file data");
  if (certificate_table.length == 0 || certificate_table.offset < start) return {start, file_size - start};

  // A signed installer: the block ends where the certificate table begins, less the padding that
  // aligns the table.
  const std::uint64_t end = certificate_table.offset;
  if (header.data_size >= 0) {
    const std::uint64_t unpadded = start + static_cast<std::uint64_t>(header.data_size);
    const std::uint64_t aligned = (unpadded + kCertificateTableAlignment - 1) / kCertificateTableAlignment *
                                  kCertificateTableAlignment;
    if (unpadded < end && aligned == end) return {start, unpadded - start};
  }
  return {start, end - start};
}

void CheckDataBlockSize(std::uint64_t length, const PackageHeader& header) {
  if (header.data_size < 0 || length != static_cast<std::uint64_t>(header.data_size))
    throw CorruptPackage(46, "file data is " + std::to_string(length) + " bytes, the header says " +
                                 std::to_string(header.data_size));
}

void CheckDataBlockCrc(DataBlockSource& source, const PackageHeader& header) {
  std::uint32_t crc = 0;
  if (auto block = source.InMemory()) {
    crc = Crc32(*block);
  } else {
    Bytes portion(static_cast<std::size_t>(std::min<std::uint64_t>(kReadPortion, source.Size())));
    for (std::uint64_t offset = 0; offset < source.Size();) {
      const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(portion.size(), source.Size() - offset));
      std::span<std::uint8_t> part(portion.data(), n);
      ReadOrFail(source, offset, part);
      crc = Crc32(part, crc);
      offset += n;
    }
  }
  if (crc != header.data_crc) throw CorruptPackage(55, "file data CRC-32 mismatch");
}

std::string ArchiveReadFailureMessage(std::uint64_t size, std::uint64_t position) {
  return "Error code 2: failed to read archive data\r\nsize=" + std::to_string(size) +
         " pos=" + std::to_string(position);
}

namespace {

// One chunk's stored bytes checked, deciphered and decompressed into the sink. `stored` holds the
// bytes when they are not used in place (deciphering needs its own copy).
void DecodeChunk(std::span<const std::uint8_t> bytes, Bytes& stored, std::uint32_t expected_crc,
                 const DataBlockOptions& options, const ByteSink& sink) {
  if (Crc32(bytes) != expected_crc) throw CorruptPackage(62, "chunk CRC-32 mismatch");
  if (options.blowfish != nullptr) {
    // A chunk of a length the cipher cannot take stays as it is; decompression then fails.
    if (bytes.data() != stored.data()) stored.assign(bytes.begin(), bytes.end());
    BlowfishDecryptBuffer(*options.blowfish, stored);
    bytes = stored;
  }
  if (options.chunks_compressed) {
    XzStreamDecoder decoder(sink);
    bool ok = true;
    for (std::size_t at = 0; ok && at < bytes.size(); at += kXzPortion)
      ok = decoder.Feed(bytes.subspan(at, std::min(kXzPortion, bytes.size() - at)));
    if (!ok || !decoder.Finish()) throw CorruptPackage(60, "chunk does not decompress");
  } else {
    EmitInPortions(bytes, sink);
  }
}

struct ChunkPlace {
  std::uint64_t body = 0;  // where its stored bytes begin
  std::size_t length = 0;
  std::uint32_t crc = 0;
};

// The next chunk's head at `offset`, checked against the block's end (61, 63).
ChunkPlace ReadChunkHead(DataBlockSource& source, std::uint64_t offset, std::uint64_t total) {
  const std::uint64_t remaining = total - offset;
  if (remaining < kChunkHeadSize) throw CorruptPackage(63, "chunk head cut short");
  std::uint8_t head[kChunkHeadSize];
  ReadOrFail(source, offset, head);
  const auto length = static_cast<std::int32_t>(LoadLe32(head));
  if (length < 1) throw CorruptPackage(61, "chunk length " + std::to_string(length));
  if (static_cast<std::uint64_t>(length) > remaining - kChunkHeadSize)
    throw CorruptPackage(63, "chunk length " + std::to_string(length) + " beyond the block");
  return {offset + kChunkHeadSize, static_cast<std::size_t>(length), LoadLe32(head + 4)};
}

std::span<const std::uint8_t> StoredBytes(DataBlockSource& source, const ChunkPlace& chunk,
                                          const DataBlockOptions& options, Bytes& stored) {
  const auto in_memory = source.InMemory();
  if (in_memory && options.blowfish == nullptr)
    return in_memory->subspan(static_cast<std::size_t>(chunk.body), chunk.length);
  stored.resize(chunk.length);  // bounded by the bytes the block really has
  ReadOrFail(source, chunk.body, stored);
  return stored;
}

// Chunks decoded side by side, at most `threads` at a time, and passed on strictly in order; a
// damaged chunk is reported only once every chunk before it has been passed on, as in a decoding
// one by one.
void DecodeInParallel(DataBlockSource& source, const DataBlockOptions& options, const ByteSink& sink) {
  const std::uint64_t total = source.Size();
  struct Decoded {
    Bytes bytes;
    std::uint64_t end = 0;
  };
  std::deque<std::future<Decoded>> running;
  const auto pass_oldest = [&] {
    Decoded done = running.front().get();
    running.pop_front();
    EmitInPortions(done.bytes, sink);
    if (options.progress) options.progress(done.end, total);
  };
  std::uint64_t offset = 0;
  try {
    while (offset < total) {
      const ChunkPlace chunk = ReadChunkHead(source, offset, total);
      offset = chunk.body + chunk.length;
      if (running.size() >= options.threads) pass_oldest();
      running.push_back(std::async(std::launch::async, [&source, &options, chunk, end = offset] {
        Decoded out;
        out.end = end;
        Bytes stored;
        const std::span<const std::uint8_t> bytes = StoredBytes(source, chunk, options, stored);
        DecodeChunk(bytes, stored, chunk.crc, options,
                    [&out](std::span<const std::uint8_t> part) { out.bytes.insert(out.bytes.end(), part.begin(), part.end()); });
        return out;
      }));
    }
  } catch (...) {
    // The chunks before a damaged head come first; the futures' own errors take precedence.
    while (!running.empty()) pass_oldest();
    throw;
  }
  while (!running.empty()) pass_oldest();
}

// Streams one chunk to its place: the stored bytes read in portions and checked against the
// chunk's CRC as they pass, the decoded bytes gathered into blocks and written at `at`. 62 when the
// CRC does not match (whatever the decoder made of the bytes), else 60 unless the chunk decodes to
// exactly `size` bytes.
void StreamChunkInPlace(DataBlockSource& source, const ChunkPlace& chunk, std::uint64_t at, std::uint64_t size,
                        bool compressed, const PositionalSink& write_at) {
  Bytes block;
  block.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(kPlacedWriteBlock, size)));
  std::uint64_t written = 0;
  bool too_long = false;
  const auto flush = [&] {
    if (block.empty()) return;
    write_at(at + written, block);
    written += block.size();
    block.clear();
  };
  const auto take = [&](std::span<const std::uint8_t> part) {
    if (too_long || part.size() > size - written - block.size()) {
      too_long = true;
      return;
    }
    while (!part.empty()) {
      const std::size_t n = std::min(part.size(), kPlacedWriteBlock - block.size());
      block.insert(block.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(n));
      part = part.subspan(n);
      if (block.size() == kPlacedWriteBlock) flush();
    }
  };
  std::optional<XzStreamDecoder> decoder;
  if (compressed) decoder.emplace(take);
  Bytes portion(std::min(kReadPortion, chunk.length));
  std::uint32_t crc = 0;
  bool decodes = true;
  for (std::size_t done = 0; done < chunk.length;) {
    const std::span<std::uint8_t> part(portion.data(), std::min(portion.size(), chunk.length - done));
    ReadOrFail(source, chunk.body + done, part);
    crc = Crc32(part, crc);
    if (decodes) {
      if (decoder) decodes = decoder->Feed(part);
      else take(part);
      decodes = decodes && !too_long;
    }
    done += part.size();
  }
  if (crc != chunk.crc) throw CorruptPackage(62, "chunk CRC-32 mismatch");
  if (decodes && decoder) decodes = decoder->Finish() && !too_long;
  flush();
  if (!decodes || written != size) throw CorruptPackage(60, "chunk does not decompress");
}

// A chunk's decoded size from its xz index, or its stored length when the chunks are not compressed.
std::optional<std::uint64_t> IndexedChunkSize(DataBlockSource& source, const ChunkPlace& chunk, bool compressed) {
  if (!compressed) return chunk.length;
  return XzSingleStreamDecodedSize(chunk.length, [&](std::uint64_t o, std::span<std::uint8_t> out) {
    return source.Read(chunk.body + o, out);
  });
}

}  // namespace

std::optional<std::uint64_t> PlannedDecodedSize(DataBlockSource& source, const DataBlockOptions& options) {
  if (options.blowfish != nullptr) return std::nullopt;
  const std::uint64_t total = source.Size();
  std::uint64_t decoded = 0;
  try {
    for (std::uint64_t offset = 0; offset < total;) {
      const ChunkPlace chunk = ReadChunkHead(source, offset, total);
      const std::optional<std::uint64_t> size = IndexedChunkSize(source, chunk, options.chunks_compressed);
      if (!size) return std::nullopt;
      decoded += *size;
      offset = chunk.body + chunk.length;
    }
  } catch (const CorruptPackage&) {
    return std::nullopt;
  }
  return decoded;
}

std::uint64_t DecodeDataBlockInPlace(DataBlockSource& source, const DataBlockOptions& options,
                                     const PositionalSink& write_at) {
  std::uint64_t at = 0;
  const auto write_in_order = [&](std::span<const std::uint8_t> part) {
    write_at(at, part);
    at += part.size();
  };
  if (options.blowfish != nullptr || options.threads <= 1) {
    DataBlockOptions in_order = options;
    in_order.progress = [&](std::uint64_t consumed, std::uint64_t total) {
      if (options.progress) options.progress(consumed, total);
      if (options.placed) options.placed(at);
    };
    DecodeDataBlock(source, in_order, write_in_order);
    return at;
  }
  const std::uint64_t total = source.Size();
  struct Placed {
    std::uint64_t end = 0;      // the block offset after the chunk
    std::uint64_t decoded = 0;  // the decoded offset after it
  };
  std::deque<std::future<Placed>> running;
  // Where the chunks that are all done end: the chunk that starts there is the oldest one running,
  // and its bytes are in place, all before them too, as soon as it writes them.
  std::atomic<std::uint64_t> complete{0};
  const auto report = [&](const Placed& done) {
    complete = done.decoded;
    if (options.progress) options.progress(done.end, total);
    if (options.placed) options.placed(done.decoded);
  };
  const auto pass_oldest = [&] {
    const Placed done = running.front().get();
    running.pop_front();
    report(done);
  };
  std::uint64_t offset = 0;
  try {
    while (offset < total) {
      const ChunkPlace chunk = ReadChunkHead(source, offset, total);
      offset = chunk.body + chunk.length;
      const std::optional<std::uint64_t> size = IndexedChunkSize(source, chunk, options.chunks_compressed);
      if (!size) {
        // Its place after it is known only once it is decoded: after the chunks before it.
        while (!running.empty()) pass_oldest();
        Bytes stored;
        DecodeChunk(StoredBytes(source, chunk, options, stored), stored, chunk.crc, options, write_in_order);
        report({offset, at});
        continue;
      }
      if (running.size() >= options.threads) pass_oldest();
      running.push_back(std::async(std::launch::async, [&source, &write_at, &options, &complete, chunk, place = at,
                                                        size = *size, compressed = options.chunks_compressed,
                                                        end = offset] {
        StreamChunkInPlace(source, chunk, place, size, compressed,
                           [&](std::uint64_t offset, std::span<const std::uint8_t> bytes) {
                             write_at(offset, bytes);
                             if (options.placed && complete == place) options.placed(offset + bytes.size());
                           });
        return Placed{end, place + size};
      }));
      at += *size;
    }
  } catch (...) {
    // The chunks before a damaged head come first; the futures' own errors take precedence.
    while (!running.empty()) pass_oldest();
    throw;
  }
  while (!running.empty()) pass_oldest();
  return at;
}

void DecodeDataBlock(DataBlockSource& source, const DataBlockOptions& options, const ByteSink& sink) {
  if (options.threads > 1) {
    DecodeInParallel(source, options, sink);
    return;
  }
  const std::uint64_t total = source.Size();
  Bytes stored;  // the current chunk's bytes when they cannot be used in place
  std::uint64_t offset = 0;
  while (offset < total) {
    const ChunkPlace chunk = ReadChunkHead(source, offset, total);
    DecodeChunk(StoredBytes(source, chunk, options, stored), stored, chunk.crc, options, sink);
    offset = chunk.body + chunk.length;
    if (options.progress) options.progress(offset, total);
  }
}

DataBlockWriter::DataBlockWriter(DataBlockWriterOptions options, ByteSink sink)
    : options_(options), sink_(std::move(sink)) {
  if (options_.chunk_size == 0) throw std::invalid_argument("chunk size must be positive");
  options_.threads = std::max<std::size_t>(options_.threads, 1);
}

DataBlockWriter::~DataBlockWriter() {
  // Chunks still being compressed (an error stopped the writer) are waited for, not emitted.
  for (auto& chunk : in_flight_) chunk.wait();
}

void DataBlockWriter::Write(std::span<const std::uint8_t> bytes) {
  if (finished_) throw std::logic_error("data block already finished");
  while (!bytes.empty()) {
    const std::size_t n = std::min(bytes.size(), options_.chunk_size - pending_.size());
    pending_.insert(pending_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    bytes = bytes.subspan(n);
    if (pending_.size() == options_.chunk_size) EmitChunk();
  }
}

void DataBlockWriter::Finish() {
  if (finished_) return;
  if (!pending_.empty()) EmitChunk();
  while (!in_flight_.empty()) {
    Bytes stored = in_flight_.front().get();
    in_flight_.pop_front();
    Frame(stored);
  }
  finished_ = true;
}

void DataBlockWriter::EmitChunk() {
  auto store = [options = options_](Bytes content) {
    Bytes stored = options.compress ? XzCompress(content, options.preset, options.extreme, options.check,
                                                 options.dictionary_limit, options.nice_length)
                                    : std::move(content);
    if (options.blowfish != nullptr) BlowfishEncryptBuffer(*options.blowfish, stored);
    return stored;
  };
  Bytes content;
  content.swap(pending_);
  if (options_.threads == 1) {
    Frame(store(std::move(content)));
    return;
  }
  // Wait for the oldest chunk when every thread is busy; chunks leave in the order they came.
  if (in_flight_.size() >= options_.threads) {
    Bytes stored = in_flight_.front().get();
    in_flight_.pop_front();
    Frame(stored);
  }
  in_flight_.push_back(std::async(std::launch::async, store, std::move(content)));
}

void DataBlockWriter::Frame(const Bytes& stored) {
  if (stored.size() > 0x7FFFFFFFu) throw std::length_error("chunk too large");
  Bytes head;
  AppendLe32(head, static_cast<std::uint32_t>(stored.size()));
  AppendLe32(head, Crc32(stored));
  crc_ = Crc32(head, crc_);
  crc_ = Crc32(stored, crc_);
  size_ += head.size() + stored.size();
  sink_(head);
  sink_(stored);
}

Bytes EncodeDataBlock(std::span<const std::uint8_t> content, const DataBlockWriterOptions& options) {
  Bytes block;
  DataBlockWriter writer(options, [&](std::span<const std::uint8_t> bytes) {
    block.insert(block.end(), bytes.begin(), bytes.end());
  });
  writer.Write(content);
  writer.Finish();
  return block;
}

}  // namespace mv
