// One answer body of the friend and service-option conversation into the user-server
// handler's receive path. ORV_ANSWER_TYPE names the packet type this target builds around
// the input; the request it answers is pending under SeqNum 1 (with a well-formed request
// copy where the answer reads one). The first input byte picks whether the session is
// registered and whether the answer carries the matching number; the rest is the body.
#include "client/friends/friend_packets.h"
#include "client/userserver/option_packets.h"
#include "fuzz/common/user_serv_harness.h"

#include <vector>

using namespace orv;

namespace {

constexpr std::uint16_t kType = ORV_ANSWER_TYPE;

// The request this answer type answers, as the handler would have sent it.
std::vector<std::uint8_t> Request() {
    FriendEntry entry;
    entry.record.friendName = "Ann";
    ForwardRecord forward;
    forward.busy = "7002";
    switch (kType) {
    case PKT_FRIEND_DETAIL: return BuildFriendDetailRequest(5);
    case PKT_SET_FRIEND: return BuildSetFriendRequest(entry);
    case PKT_DEL_FRIEND: return BuildDelFriendRequest(5);
    case PKT_SET_FORWARD: return BuildSetForwardRequest(forward);
    case PKT_SET_PASSWORD: return BuildSetPasswordRequest("8001", "OLD", "NEW");
    case PKT_SET_BIND_OPT: return BuildSetBindRequest("8001", "PWD", '1');
    default: return std::vector<std::uint8_t>(kPacketHeaderSize, 0);
    }
}

struct Harness : UserServHarness {
    std::vector<std::uint8_t> request = Request();

    Harness() : UserServHarness("orv-fuzz-answers") {
        handler->SetLoginInfo("8001", "PWD");
        records->Load("8001");
    }
};

Harness& TheHarness() {
    static Harness* harness = new Harness; // lives for the whole run
    return *harness;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 4096) return 0;
    Harness& h = TheHarness();
    h.handler->RemoveAllPending();
    h.handler->Friends().ClearFriends();
    EndpointID.store(data[0] & 1 ? 77 : 0);
    std::vector<std::uint8_t> request = h.request;
    h.handler->BuildHeader(request.data(), static_cast<std::uint32_t>(request.size()), kType, 1);
    h.handler->AddPending(request.data(), static_cast<std::uint32_t>(request.size()), 5, 5000, 1, 0);
    if (kType == PKT_FRIEND_STATUS) { // a push for a stored record
        FriendEntry known;
        known.record.recordId = 5;
        h.handler->Friends().AddFriend(known);
    }

    // The packet in a buffer of its own size, so reads past it are caught.
    std::vector<std::uint8_t> packet(kPacketHeaderSize + size - 1);
    WritePacketHeader(packet.data(), PacketHeader{kType, static_cast<std::uint16_t>(packet.size()),
                                                  data[0] & 2 ? 2u : 1u});
    std::copy(data + 1, data + size, packet.begin() + kPacketHeaderSize);
    h.handler->OnRecvPacket(packet.data(), packet.size());
    // Handlers the answer made and replaced end on this thread's queue.
    MSG msg;
    while (PeekMessage(&msg, true)) DispatchMessage(&msg);
    return 0;
}
