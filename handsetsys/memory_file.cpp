#include "handsetsys/memory_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orv::handsetsys {

bool LoadMemoryFile(const std::string& path, MemoryChip::Words* words, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    std::uint8_t bytes[MemoryChip::kWords * 2 + 1];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    if (got != MemoryChip::kWords * 2) {
        *error = path + ": not a handset memory (" + std::to_string(got) + " bytes)";
        return false;
    }
    for (std::size_t i = 0; i < MemoryChip::kWords; ++i)
        (*words)[i] = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return true;
}

bool SaveMemoryFile(const std::string& path, const MemoryChip::Words& words, std::string* error) {
    std::uint8_t bytes[MemoryChip::kWords * 2];
    for (std::size_t i = 0; i < MemoryChip::kWords; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    const std::string temporary = path + ".tmp";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) {
        *error = temporary + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes, 1, sizeof bytes, f) == sizeof bytes;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        *error = path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace orv::handsetsys
