// The live-update conversation between a client and the update server: the 72-byte file
// record, the file list query and answer (0x0409) and the file download (0x040A). The file
// data answer is the one message whose header length may differ from its real length (a
// file is longer than a u16 can say); its data start 85 bytes into the packet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

constexpr std::uint16_t kPktFileList = 0x0409;
constexpr std::uint16_t kPktDownFile = 0x040A;

constexpr std::size_t kFileRecordSize = 72;
constexpr std::size_t kFileNameField = 64;
constexpr std::size_t kDownFileRequestSize = 80;
constexpr std::size_t kFileDataOffset = 85;
// Largest file the live update carries.
constexpr std::size_t kMaxUpdateFileBytes = 32u << 20;
// Records one list answer can carry (its length is a u16).
constexpr std::size_t kMaxListedFiles = (0xFFFF - 8 - 2) / kFileRecordSize;

struct FileRecord {
    std::string name;          // no folder, at most 63 characters
    std::uint32_t kind = 1;    // target folder kind: 2..5 the system's folders, else the program folder
    std::uint32_t version = 0;
    bool operator==(const FileRecord&) const = default;
};

// A name a file may be written under: 1..63 bytes, not "." or "..", no separator, no
// control character, no leading or trailing blank.
bool IsUpdateFileName(const std::string& name);

std::vector<std::uint8_t> BuildFileListQuery(std::uint32_t seqNum);
// At most kMaxListedFiles records (the rest are left out).
std::vector<std::uint8_t> BuildFileListAnswer(std::uint32_t seqNum, const std::vector<FileRecord>& files);
// The records of a whole 0x0409 answer; false when the count does not match the length.
bool ParseFileListAnswer(const std::uint8_t* message, std::size_t size, std::vector<FileRecord>* files);

std::vector<std::uint8_t> BuildDownFile(std::uint32_t seqNum, const std::string& name, std::uint32_t start);
bool ParseDownFile(const std::uint8_t* message, std::size_t size, std::string* name, std::uint32_t* start);

// The head of a file data answer (85 bytes; the caller appends the data). The header length
// is the whole length while it fits in a u16, else 0xFFFF.
std::vector<std::uint8_t> BuildFileDataHead(std::uint32_t seqNum, std::uint8_t status, const FileRecord& file,
                                            std::size_t dataSize);
struct FileDataAnswer {
    std::uint8_t status = 0;
    FileRecord file;
    const std::uint8_t* data = nullptr; // into the message
    std::size_t size = 0;
};
bool ParseFileDataAnswer(const std::uint8_t* message, std::size_t size, FileDataAnswer* answer);

} // namespace orv
