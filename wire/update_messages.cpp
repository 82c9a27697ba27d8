#include "wire/update_messages.h"

#include "wire/byte_reader.h"
#include "wire/byte_writer.h"
#include "wire/packet_header.h"

#include <algorithm>

namespace orv {

namespace {

void WriteRecord(ByteWriter& w, const FileRecord& file) {
    w.Text(file.name, kFileNameField);
    w.U32LE(file.kind);
    w.U32LE(file.version);
}

FileRecord ReadRecord(ByteReader& r) {
    FileRecord file;
    file.name = r.TextFull(kFileNameField);
    file.kind = r.U32LE();
    file.version = r.U32LE();
    return file;
}

} // namespace

bool IsUpdateFileName(const std::string& name) {
    if (name.empty() || name.size() >= kFileNameField || name == "." || name == "..") return false;
    if (name.front() == ' ' || name.back() == ' ') return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F || c == '/' || c == '\\' || c == ':';
    });
}

std::vector<std::uint8_t> BuildFileListQuery(std::uint32_t seqNum) {
    ByteWriter w = StartPacket(kPktFileList, seqNum);
    return FinishPacket(w);
}

std::vector<std::uint8_t> BuildFileListAnswer(std::uint32_t seqNum, const std::vector<FileRecord>& files) {
    const std::size_t count = std::min(files.size(), kMaxListedFiles);
    ByteWriter w = StartPacket(kPktFileList, seqNum);
    w.U16LE(static_cast<std::uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) WriteRecord(w, files[i]);
    return FinishPacket(w);
}

bool ParseFileListAnswer(const std::uint8_t* message, std::size_t size, std::vector<FileRecord>* files) {
    if (message == nullptr || size < kPacketHeaderSize + 2) return false;
    ByteReader r(message + kPacketHeaderSize, size - kPacketHeaderSize);
    const std::uint16_t count = r.U16LE();
    if (r.Remaining() != count * kFileRecordSize) return false;
    files->clear();
    files->reserve(count);
    for (std::uint16_t i = 0; i < count; ++i) files->push_back(ReadRecord(r));
    return r.Ok();
}

std::vector<std::uint8_t> BuildDownFile(std::uint32_t seqNum, const std::string& name, std::uint32_t start) {
    ByteWriter w = StartPacket(kPktDownFile, seqNum);
    w.Text(name, kFileNameField);
    w.U32LE(0);
    w.U32LE(start);
    return FinishPacket(w);
}

bool ParseDownFile(const std::uint8_t* message, std::size_t size, std::string* name, std::uint32_t* start) {
    if (message == nullptr || size != kDownFileRequestSize) return false;
    ByteReader r(message + kPacketHeaderSize, size - kPacketHeaderSize);
    *name = r.TextFull(kFileNameField);
    r.Skip(4);
    *start = r.U32LE();
    return r.Ok();
}

std::vector<std::uint8_t> BuildFileDataHead(std::uint32_t seqNum, std::uint8_t status, const FileRecord& file,
                                            std::size_t dataSize) {
    ByteWriter w = StartPacket(kPktDownFile, seqNum);
    w.U8(status);
    w.U32LE(0);
    WriteRecord(w, file);
    std::vector<std::uint8_t> head = FinishPacket(w);
    const std::size_t whole = head.size() + dataSize;
    PutU16LE(head.data() + 2, static_cast<std::uint16_t>(std::min<std::size_t>(whole, 0xFFFF)));
    return head;
}

bool ParseFileDataAnswer(const std::uint8_t* message, std::size_t size, FileDataAnswer* answer) {
    if (message == nullptr || size < kFileDataOffset) return false;
    ByteReader r(message + kPacketHeaderSize, size - kPacketHeaderSize);
    answer->status = r.U8();
    r.Skip(4);
    answer->file = ReadRecord(r);
    if (!r.Ok()) return false;
    answer->data = message + kFileDataOffset;
    answer->size = size - kFileDataOffset;
    return true;
}

} // namespace orv
