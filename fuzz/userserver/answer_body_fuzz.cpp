// One answer body of the friend and service-option conversation into the user-server
// handler's receive path. ORV_ANSWER_TYPE names the packet type this target builds around
// the input; the request it answers is pending under SeqNum 1 (with a well-formed request
// copy where the answer reads one). The first input byte picks whether the session is
// registered and whether the answer carries the matching number; the rest is the body.
#include "client/data/call_record_list.h"
#include "client/data/client_config.h"
#include "client/friends/friend_packets.h"
#include "client/net/msg_handler.h"
#include "client/userserver/option_packets.h"
#include "client/userserver/user_serv_handler.h"
#include "platform/paths.h"

#include <filesystem>
#include <memory>
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

struct Harness {
    std::unique_ptr<ClientConfig> config;
    std::unique_ptr<CallRecordList> records;
    std::shared_ptr<CTimerManager> timers;
    CUserServHandler* handler = nullptr;
    std::vector<std::uint8_t> request = Request();

    Harness() {
        const std::string home = (std::filesystem::temp_directory_path() / "orv-fuzz-answers").string();
        std::filesystem::create_directories(home);
        SetHomeFolder(home);
        ConfigEnvironment env;
        env.programFolder = home;
        env.homeFolder = home;
        env.moduleName = "orvfuzz";
        env.locale = "C";
        env.captureDevices = [] { return std::vector<AudioDeviceInfo>{}; };
        env.imagingDevices = [] { return std::vector<std::string>{}; };
        env.canOpenG7231 = [] { return false; };
        config = std::make_unique<ClientConfig>(env);
        records = std::make_unique<CallRecordList>(home, [] { return 1700000000u; });
        // No timer thread and no network thread: the receive path runs here, and sends have
        // no link to go out on (so nothing the answers ask for piles up).
        timers = std::make_shared<CTimerManager>([] { return 0u; }, false);
        InstallTimerManager(timers);
        handler = new CUserServHandler(*config, records.get());
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
    return 0;
}
