#include "server/update_server.h"

#include "server/account_packets.h"
#include "server/server_log.h"
#include "server/user_packets.h"
#include "wire/packet_header.h"

namespace orv {

UpdateServer::UpdateServer(const UpdateFolder& folder, SendFunction send, ReportFunction report)
    : m_folder(folder), m_send(std::move(send)), m_report(std::move(report)) {}

bool UpdateServer::OnMessage(LinkHandle link, const std::uint8_t* data, std::size_t size) {
    PacketHeader h;
    if (!ReadPacketHeader(data, size, &h) || h.length != size) {
        ServerLog("update: drop a %zu-byte message whose length field does not match", size);
        return false;
    }
    if (h.type == kPktStreamKeepAlive && size == kPacketHeaderSize) {
        m_send(link, BuildHeaderOnly(kPktStreamKeepAlive, h.seqNum));
        return true;
    }
    if (h.type == kPktFileList && size == kPacketHeaderSize) {
        const std::vector<FileRecord> files = m_folder.List();
        m_send(link, BuildFileListAnswer(h.seqNum, files));
        m_report("UPDATE list files=" + std::to_string(files.size()));
        return true;
    }
    std::string name;
    std::uint32_t start = 0;
    if (h.type != kPktDownFile || !ParseDownFile(data, size, &name, &start)) {
        ServerLog("update: drop a %zu-byte message of type 0x%04x", size, h.type);
        return false;
    }
    FileRecord record;
    std::vector<std::uint8_t> bytes;
    if (!m_folder.Read(name, &record, &bytes)) {
        record.name = IsUpdateFileName(name) ? name : std::string();
        m_send(link, BuildFileDataHead(h.seqNum, 1, record, 0));
        m_report("UPDATE down name=" + (record.name.empty() ? std::string("?") : name) + " result=refused");
        return true;
    }
    const std::size_t from = start < bytes.size() ? start : bytes.size();
    std::vector<std::uint8_t> packet = BuildFileDataHead(h.seqNum, 0, record, bytes.size() - from);
    packet.insert(packet.end(), bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end());
    m_send(link, packet);
    m_report("UPDATE down name=" + name + " version=" + std::to_string(record.version) +
             " bytes=" + std::to_string(bytes.size() - from));
    return true;
}

} // namespace orv
