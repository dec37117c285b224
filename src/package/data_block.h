// The file-data block: a sequence of chunks, each [u32 length L][u32 CRC-32 of the L stored
// bytes][L stored bytes], the stored bytes optionally Blowfish-enciphered and xz-compressed. The
// concatenation of the decoded chunks is the stream of file records.
//
// Reading streams: the block is pulled from a source in portions, decoded bytes leave through a
// sink in portions of at most kXzPortion bytes, and at most one chunk's stored bytes are held (and
// none when the block is in memory and not enciphered).
#pragma once

#include <cstdint>
#include <deque>
#include <future>
#include <functional>
#include <optional>
#include <span>

#include "base/bytes.h"
#include "package/cipher.h"
#include "package/header.h"
#include "package/pe.h"
#include "package/xz.h"

namespace mv {

using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

// Where the block's bytes come from. Read may be called more than once for the same bytes (the
// whole-block CRC pass, then the chunk pass).
class DataBlockSource {
 public:
  virtual ~DataBlockSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Fills `out` with the bytes at `offset` (offset + out.size() <= Size()); false when they cannot
  // be read.
  virtual bool Read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
  // The whole block when it lies in memory, so it can be used in place.
  virtual std::optional<std::span<const std::uint8_t>> InMemory() const { return std::nullopt; }
  // The file position of `offset`, for the read-failure message.
  virtual std::uint64_t FilePosition(std::uint64_t offset) const { return offset; }
};

class MemoryDataSource final : public DataBlockSource {
 public:
  explicit MemoryDataSource(std::span<const std::uint8_t> block) : block_(block) {}
  std::uint64_t Size() const override { return block_.size(); }
  bool Read(std::uint64_t offset, std::span<std::uint8_t> out) override;
  std::optional<std::span<const std::uint8_t>> InMemory() const override { return block_; }

 private:
  std::span<const std::uint8_t> block_;
};

// A block read through a callback, e.g. from the installer file after the section.
class PullDataSource final : public DataBlockSource {
 public:
  using Reader = std::function<bool(std::uint64_t offset, std::span<std::uint8_t> out)>;
  PullDataSource(std::uint64_t size, Reader reader, std::uint64_t file_position = 0)
      : size_(size), reader_(std::move(reader)), file_position_(file_position) {}
  std::uint64_t Size() const override { return size_; }
  bool Read(std::uint64_t offset, std::span<std::uint8_t> out) override { return reader_(offset, out); }
  std::uint64_t FilePosition(std::uint64_t offset) const override { return file_position_ + offset; }

 private:
  std::uint64_t size_;
  Reader reader_;
  std::uint64_t file_position_;
};

// The block inside the section: [SettingsEnd, DataEnd). Code 46 when DataEnd lies before
// SettingsEnd or beyond the section.
std::span<const std::uint8_t> InSectionDataBlock(std::span<const std::uint8_t> section,
                                                 const PackageHeader& header);

// The same block as a range of the installer file, so that it can be read through the file rather
// than through the mapped image (whose pages, once read, stay in the process's working set). Empty
// when the section's raw data in the file does not hold the whole block: the loader fills the rest
// of the section with zeros, which only the mapped image shows. Code 46 as InSectionDataBlock, for
// a section of `section_size` bytes as mapped.
std::optional<FileRange> InSectionDataBlockRange(std::uint64_t section_size, const SectionInfo& section,
                                                 const PackageHeader& header);

// The block in the installer file after the settings block: from raw offset + SettingsEnd to the
// end of the file, or, in a signed installer, to its certificate table (FindCertificateTable) when
// that starts at or after the block. The zero bytes that signing put before the table to align it
// are not part of the block: when the block's DataSize end, aligned up to
// kCertificateTableAlignment, is where the table starts, the block ends at DataSize. A table that
// starts before the block is not a signing tool's and is not taken as the block's end. Code 46 when
// the file ends before the block starts.
FileRange ExternalDataBlockRange(std::uint64_t file_size, const SectionInfo& section,
                                 const PackageHeader& header, const FileRange& certificate_table = {});

// Code 46 unless `length` equals DataSize.
void CheckDataBlockSize(std::uint64_t length, const PackageHeader& header);
// Code 55 unless the CRC-32 of the whole block equals DataCrc; one streaming pass over the source.
void CheckDataBlockCrc(DataBlockSource& source, const PackageHeader& header);

// The fatal text when the block cannot be read from the file.
std::string ArchiveReadFailureMessage(std::uint64_t size, std::uint64_t position);

struct DataBlockOptions {
  const Blowfish* blowfish = nullptr;  // set when ProductFlags2 bit 12 is set
  bool chunks_compressed = false;      // ProductFlags bit 5
  // Called after each chunk with the block bytes consumed so far and the block's size.
  std::function<void(std::uint64_t consumed, std::uint64_t total)> progress;
  // Chunks decoded side by side (each thread holds one chunk's stored and decoded bytes); the sink
  // still receives the bytes in order, from the calling thread. The source's Read must then be
  // safe to call from several threads.
  std::size_t threads = 1;
  // DecodeDataBlockInPlace only: called with the number of decoded bytes from the block's start
  // that are now all in place: after each chunk, right after `progress`, and while the oldest chunk
  // still being decoded writes its bytes (then from its decoding thread). Calls may overlap, and
  // a call may name fewer bytes than one before it.
  std::function<void(std::uint64_t decoded)> placed = nullptr;
};

// Decodes every chunk in order and passes the decoded bytes to `sink`. Codes: 61 for a length
// below 1, 63 for a length beyond the end of the block (also for a chunk head cut short), 62 for a
// CRC mismatch, 60 when a chunk does not decompress. A source read failure throws
// FatalPackageError(ArchiveReadFailureMessage). Exceptions from the sink pass through.
void DecodeDataBlock(DataBlockSource& source, const DataBlockOptions& options, const ByteSink& sink);

// Where decoded bytes go when every chunk is written to its place: `offset` counts decoded bytes
// from the block's start. Called from several threads at once, always for disjoint ranges.
using PositionalSink = std::function<void(std::uint64_t offset, std::span<const std::uint8_t> bytes)>;

// Decodes the block as DecodeDataBlock does (the same codes, the earliest damage reported, progress
// in order) and returns the decoded size, but side by side without holding whole chunks: a
// compressed chunk's decoded size and so its place come from its xz index, and a thread streams
// it there, its stored bytes read in portions and its decoded bytes written in blocks of
// kPlacedWriteBlock. A chunk whose size its index cannot give is decoded once the chunks before it
// are done. Enciphered blocks, whose chunks are deciphered whole, and a single thread decode in
// order as DecodeDataBlock does.
inline constexpr std::size_t kPlacedWriteBlock = std::size_t{1} << 20;
std::uint64_t DecodeDataBlockInPlace(DataBlockSource& source, const DataBlockOptions& options,
                                     const PositionalSink& write_at);

// The decoded size of the whole block as DecodeDataBlockInPlace will find it, known before decoding
// from the chunk heads and each compressed chunk's xz index. Nothing when it cannot be known that
// way: an enciphered block, a chunk whose index does not give its size, or a damaged chunk head
// (decoding then reports the damage in its order).
std::optional<std::uint64_t> PlannedDecodedSize(DataBlockSource& source, const DataBlockOptions& options);

// The writer side.
struct DataBlockWriterOptions {
  std::size_t chunk_size = 4u << 20;  // decoded bytes per chunk
  bool compress = true;
  std::uint32_t preset = 9;
  bool extreme = true;
  std::uint32_t dictionary_limit = 0;  // see XzCompress
  std::uint32_t nice_length = 0;       // see XzCompress
  XzCheck check = XzCheck::kCrc64;
  const Blowfish* blowfish = nullptr;  // encipher each chunk
  // Chunks are independent: this many are compressed at the same time, each on a thread of its
  // own, and emitted in order, so the block is the same for any number.
  std::size_t threads = 1;
};

// Splits the decoded stream into chunks, compresses and enciphers each, and passes the framed
// chunks to the sink; keeps the size and CRC-32 of everything it emitted (DataSize, DataCrc). Holds
// at most `threads` + 1 chunks.
class DataBlockWriter {
 public:
  DataBlockWriter(DataBlockWriterOptions options, ByteSink sink);
  ~DataBlockWriter();
  DataBlockWriter(const DataBlockWriter&) = delete;
  DataBlockWriter& operator=(const DataBlockWriter&) = delete;
  void Write(std::span<const std::uint8_t> bytes);
  // Emits the last, partial chunk. Nothing may be written after it.
  void Finish();
  std::uint64_t size() const { return size_; }
  std::uint32_t crc() const { return crc_; }

 private:
  void EmitChunk();
  void Frame(const Bytes& stored);

  DataBlockWriterOptions options_;
  ByteSink sink_;
  Bytes pending_;
  std::deque<std::future<Bytes>> in_flight_;  // stored bytes of chunks being compressed, in order
  std::uint64_t size_ = 0;
  std::uint32_t crc_ = 0;
  bool finished_ = false;
};

// The whole block for `content` in memory.
Bytes EncodeDataBlock(std::span<const std::uint8_t> content, const DataBlockWriterOptions& options);

}  // namespace mv
