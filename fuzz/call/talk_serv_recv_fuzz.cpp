// Arbitrary talk-server messages into a talk-server handler in each call state and role,
// with the handler's timers driven in between. Input: byte 0 picks the call state to start
// from (0..8), byte 1 the role and flags, then records of [u8 action][u16 length][bytes]:
// action 0 feeds the bytes as one received message (with the message's own CallID when
// the action's high bit is set), 1 moves the clock on by length * 100 ms and runs a timer
// pass, 2 answers, 3 hangs up with the first byte as reason, 4 sends the bytes as digits.
#include "client/call/call_state.h"
#include "client/call/talk_serv_handler.h"
#include "fuzz/common/fuzz_call_harness.h"
#include "fuzz/common/step_script.h"
#include "wire/byte_order.h"
#include "wire/packet_header.h"

#include <string>
#include <vector>

using namespace orv;

namespace {

constexpr std::uint32_t kCallId = 0x4242;

CallFuzzHarness& TheHarness() {
    static CallFuzzHarness* harness = [] {
        auto* h = new CallFuzzHarness("orv-fuzz-call", true); // lives for the whole run
        h->config->Audio().captureCodecs = {4, 1};
        h->config->Audio().playCodecs = {4, 1};
        return h;
    }();
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CallFuzzHarness& h = TheHarness();
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
    auto* handler = new FuzzStreamHandler<TalkServHandler>("8001", "8002", "8001", h.owner.get(), notice, 0, false);
    handler->Start();
    if (data[1] & 8) handler->Connected();
    StepScript script(data + 2, size - 2, StepScript::Length::TwoBytes);
    while (const std::optional<FuzzStep> step = script.Next()) {
        const auto [action, length, bytes] = *step;
        switch (action & 0x7F) {
        case 0: {
            std::vector<std::uint8_t> message(bytes, bytes + length);
            if ((action & 0x80) && message.size() >= 12) PutU32LE(message.data() + 8, kCallId);
            handler->Receive(message.data(), message.size());
            break;
        }
        case 1: h.Advance(length); break;
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
    PumpMessages();
    return 0;
}
