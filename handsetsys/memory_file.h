// The virtual handset's serial memory on disk: 64 little-endian 16-bit words (128 bytes),
// replaced whole through a temporary file so a crash never leaves half a memory.
#pragma once

#include "handsetsys/memory_chip.h"

#include <string>

namespace orv::handsetsys {

constexpr const char* kMemoryFileName = "handset_memory.bin";

// False (with the reason) when the file is missing, unreadable or not exactly 128 bytes;
// *words is then left as it was.
bool LoadMemoryFile(const std::string& path, MemoryChip::Words* words, std::string* error);
bool SaveMemoryFile(const std::string& path, const MemoryChip::Words& words, std::string* error);

} // namespace orv::handsetsys
