// The installer's file data: the block after the settings (in the section or after it in the file),
// checked and decoded chunk by chunk.
#pragma once

#include <windows.h>

namespace mv {

// Checks the file-data block's size and CRC-32 and decodes every chunk. The decoded stream holds
// the file records; writing them out comes with the file extraction.
void DecodeFileData(HANDLE file);

}  // namespace mv
