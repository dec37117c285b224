#include "engine/file_data_win.h"

#include "context/install_context_win.h"
#include "lib/read_at_win.h"
#include "package/corrupt.h"
#include "package/data_block.h"
#include "package/settings.h"

namespace mv {


void DecodeFileData(HANDLE file) {
  InstallContext& c = Context();
  DataBlockOptions options;
  options.blowfish = c.cipher.get();
  options.chunks_compressed = (c.settings.ProductFlags & kFlagCompressedChunks) != 0;

  auto decode = [&](DataBlockSource& source) {
    CheckDataBlockSize(source.Size(), c.header);
    CheckDataBlockCrc(source, c.header);
    DecodeDataBlock(source, options, [](std::span<const std::uint8_t>) {});
  };

  if (!c.settings.ExternalData) {
    MemoryDataSource source(InSectionDataBlock(c.mapped_section, c.header));
    decode(source);
    return;
  }
  FileRange range = ExternalDataBlockRange(c.installer_size, c.section, c.header, c.certificate_table);
  PullDataSource source(
      range.length,
      [&](std::uint64_t offset, std::span<std::uint8_t> out) { return ReadFileAt(file, range.offset + offset, out); },
      range.offset);
  decode(source);
}

}  // namespace mv
