// Friend answers and the status push: the first byte picks the parser, the rest is the body.
// A parsed answer must be rebuilt into a body that parses to the same answer and that the
// input began with (the parsers read nothing beyond what they accept).
#include "client/friends/friend_packets.h"
#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <cstdlib>
#include <cstring>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// The rebuilt packet's body must be a prefix of the fuzzed body.
void CheckPrefix(const std::vector<std::uint8_t>& packet, const std::uint8_t* body, std::size_t size) {
    const std::size_t bodySize = packet.size() - orv::kPacketHeaderSize;
    Check(bodySize <= size && std::memcmp(packet.data() + orv::kPacketHeaderSize, body, bodySize) == 0);
}

void CheckRecordBounds(const orv::FriendRecord& r) {
    Check(r.userId.size() <= 31 && r.friendName.size() <= 15 && r.phone.size() <= 31 && r.mobile.size() <= 31);
    Check(r.netPhone.size() <= 31 && r.email.size() <= 31 && r.group.size() <= 15);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t* body = data + 1;
    const std::size_t bodySize = size - 1;
    switch (data[0] % 5) {
    case 0: {
        orv::FriendIndexAnswer answer;
        if (!orv::ParseFriendIndexAnswer(body, bodySize, &answer)) return 0;
        Check(answer.notReady || answer.recordIds.size() * 4 + 2 <= bodySize);
        CheckPrefix(orv::BuildFriendIndexAnswer(answer), body, bodySize);
        break;
    }
    case 1: {
        orv::FriendDetailAnswer answer;
        if (!orv::ParseFriendDetailAnswer(body, bodySize, &answer)) return 0;
        CheckRecordBounds(answer.entry.record);
        if (answer.result != orv::kResultSuccess) CheckPrefix(orv::BuildFriendDetailAnswer(answer), body, bodySize);
        break;
    }
    case 2: {
        orv::SetFriendAnswer answer;
        if (!orv::ParseSetFriendAnswer(body, bodySize, &answer)) return 0;
        CheckPrefix(orv::BuildSetFriendAnswer(answer), body, bodySize);
        break;
    }
    case 3: {
        orv::DelFriendAnswer answer;
        if (!orv::ParseDelFriendAnswer(body, bodySize, &answer)) return 0;
        CheckPrefix(orv::BuildDelFriendAnswer(answer), body, bodySize);
        break;
    }
    default: {
        orv::FriendStatusPush push;
        if (!orv::ParseFriendStatusPush(body, bodySize, &push)) return 0;
        CheckPrefix(orv::BuildFriendStatusPush(push), body, bodySize);
        break;
    }
    }
    return 0;
}
