// Arbitrary talk-server messages into a talk-server handler in each call state and role,
// with the handler's timers driven in between. Input: byte 0 picks the call state to start
// from (0..8), byte 1 the role and flags, then records of [u8 action][u16 length][bytes]:
// action 0 feeds the bytes as one received message (with the message's own CallID when
// the action's high bit is set), 1 moves the clock on by length * 100 ms and runs a timer
// pass, 2 answers, 3 hangs up with the first byte as reason, 4 sends the bytes as digits.
#include "client/call/call_state.h"
#include "client/call/talk_serv_handler.h"
#include "fuzz/common/fuzz_call_parts.h"
#include "fuzz/common/fuzz_client_setup.h"
#include "platform/message.h"
#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <atomic>
#include <memory>
#include <vector>

using namespace orv;

namespace {

constexpr std::uint32_t kCallId = 0x4242;

// Opens the receive path and the link events to the harness.
class FuzzHandler : public TalkServHandler {
public:
    using TalkServHandler::TalkServHandler;
    void Receive(const std::uint8_t* data, std::size_t size) {
        if (CheckStreamMessage(data, size)) OnRecv(data, size);
    }
    void Connected() { OnConnected(); }
    void Lost() { OnDisconnected(); }
};

struct Harness {
    std::unique_ptr<ClientConfig> config;
    std::unique_ptr<FuzzOwner> owner;
    std::shared_ptr<CTimerManager> timers;
    std::atomic<std::uint32_t> clock{1000};

    Harness() {
        config = MakeFuzzConfig(UseFuzzHome("orv-fuzz-call"));
        config->Audio().device = "fuzz";
        config->Audio().captureCodecs = {4, 1};
        config->Audio().playCodecs = {4, 1};
        owner = std::make_unique<FuzzOwner>(*config, true);
        // No timer thread and no network thread: everything runs on this thread.
        timers = InstallFuzzTimers([this] { return clock.load(); });
        InstallCallMediaFactory([] { return std::make_unique<QuietMedia>(); });
        EndpointID.store(77);
    }
};

Harness& TheHarness() {
    static Harness* harness = new Harness; // lives for the whole run
    return *harness;
}

void EnterState(int state) {
    SetCallState(CALLSTATE_IDLE, false);
    switch (state) {
    case 2: SetCallState(2, true); break;
    case 3: SetCallState(3, false); break;
    case 4: SetCallState(2, true); SetCallState(4, true); break;
    case 5: SetCallState(3, false); SetCallState(5, false); break;
    case 6: SetCallState(2, true); SetCallState(4, true); SetCallState(6, true); break;
    case 7: SetCallState(2, true); SetCallState(7, true); break;
    case 8: SetCallState(2, true); SetCallState(8, true); break;
    default: break;
    }
}

void Pump() {
    MSG msg;
    while (PeekMessage(&msg, true)) DispatchMessage(&msg);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& h = TheHarness();
    if (size < 2) return 0;
    EnterState(data[0] % 9);
    TalkEstablish notice;
    notice.callId = kCallId;
    notice.role = (data[1] & 1) ? kRoleCaller : 0;
    notice.noForward = (data[1] >> 1) & 1;
    notice.peerAudioIP = (data[1] & 4) ? 0x0100007F : 0;
    notice.peerAudioPort = 9;
    notice.talkServIP = 0x0100007F;
    notice.talkServPort = 9;
    auto* handler = new FuzzHandler("8001", "8002", "8001", h.owner.get(), notice, 0, false);
    if (data[1] & 8) handler->Connected();
    std::size_t at = 2;
    while (at + 3 <= size) {
        std::uint8_t action = data[at];
        std::size_t length = GetU16LE(data + at + 1);
        at += 3;
        if (length > size - at) length = size - at;
        const std::uint8_t* bytes = data + at;
        at += length;
        switch (action & 0x7F) {
        case 0: {
            std::vector<std::uint8_t> message(bytes, bytes + length);
            if ((action & 0x80) && message.size() >= 12) PutU32LE(message.data() + 8, kCallId);
            handler->Receive(message.data(), message.size());
            break;
        }
        case 1:
            h.clock += static_cast<std::uint32_t>(length) * 100;
            h.timers->ScanOnce();
            break;
        case 2: handler->DoCallConnect(); break;
        case 3: handler->DoCallDisconnect(length > 0 ? bytes[0] : 0); break;
        case 4: handler->DoCallDTMF(std::string(reinterpret_cast<const char*>(bytes), length)); break;
        case 5: handler->DoCallPauseVideo(length > 0); break;
        default: break;
        }
    }
    // The link goes down: the handler ends itself (if it had not already) and is deleted
    // from this thread's queue, which is run only now so the handler lives until here.
    handler->Lost();
    Pump();
    return 0;
}
