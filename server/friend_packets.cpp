#include "server/friend_packets.h"

#include "server/user_packets.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"

namespace orv {

namespace {

constexpr std::size_t kNameField = 16;

} // namespace

bool ParseRecordIdBody(const std::uint8_t* body, std::size_t size, std::uint32_t* recordId) {
    return ParseEndpointBody(body, size, recordId); // the same shape: one u32
}

bool ParseSetFriendBody(const std::uint8_t* body, std::size_t size, FriendRow* row) {
    if (size != kFriendRecordSize + 1) return false;
    ByteReader r(body, size);
    row->recordId = r.U32LE();
    r.Skip(kNumberField); // UserID: the owner is whoever sent it
    row->owner.clear();
    row->name = r.Text(kNameField);
    row->phone = r.Text(kNumberField);
    row->mobile = r.Text(kNumberField);
    row->netPhone = r.Text(kNumberField);
    row->email = r.Text(kNumberField);
    row->group = r.Text(kNameField);
    r.U8(); // the status byte means nothing to the server
    return r.Ok();
}

std::vector<std::uint8_t> BuildFriendIndex(std::uint32_t seq, bool notReady, const std::vector<std::uint32_t>& ids) {
    ByteWriter w;
    if (notReady || ids.size() >= kFriendIndexNotReady) {
        w.U16LE(kFriendIndexNotReady);
    } else {
        w.U16LE(static_cast<std::uint16_t>(ids.size()));
        for (std::uint32_t id : ids) w.U32LE(id);
    }
    return BuildPacket(kPktFriendIndex, seq, w.Get());
}

std::vector<std::uint8_t> BuildFriendDetail(std::uint32_t seq, const FriendRow& row, std::uint8_t status) {
    ByteWriter w;
    w.U8(0);
    w.U32LE(row.recordId);
    w.Text(row.owner, kNumberField);
    w.Text(row.name, kNameField);
    w.Text(row.phone, kNumberField);
    w.Text(row.mobile, kNumberField);
    w.Text(row.netPhone, kNumberField);
    w.Text(row.email, kNumberField);
    w.Text(row.group, kNameField);
    w.U8(status);
    return BuildPacket(kPktFriendDetail, seq, w.Get());
}

std::vector<std::uint8_t> BuildFriendStatus(std::uint32_t seq, std::uint8_t status, std::uint32_t recordId) {
    ByteWriter w;
    w.U8(status);
    w.U32LE(recordId);
    return BuildPacket(kPktFriendStatus, seq, w.Get());
}

} // namespace orv
