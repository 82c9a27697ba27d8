// Arbitrary conference-server messages into a conference handler, as chairman or invited
// member. Input: byte 0 the role and flags, then records of [u8 action][u16 length][bytes]:
// action 0 feeds the bytes as one received message (with the room's CallID when the high bit
// is set); 1 feeds a well-formed seat notice built from the bytes (type, channel, number,
// endpoint and values from the input), so the seat rules see every order of notices; 2 feeds
// a ConfStatus of four entries from the bytes; 3 moves the clock and runs a timer pass; 4
// answers; 5 sends a conference command; 6 sends digits to a seat. The handler's events go to
// no window: their copies must be freed on the way (the sanitizers check).
#include "client/call/call_state.h"
#include "client/conference/conf_serv_handler.h"
#include "fuzz/common/fuzz_call_harness.h"
#include "fuzz/common/step_script.h"
#include "wire/byte_order.h"

#include <array>
#include <string>
#include <vector>

using namespace orv;

namespace {

constexpr std::uint32_t kRoomId = 0x5151;

CallFuzzHarness& TheHarness() {
    static CallFuzzHarness* harness = new CallFuzzHarness("orv-fuzz-conf", false); // lives for the whole run
    return *harness;
}

ConfSeatEntry EntryFrom(const std::uint8_t* b, std::size_t n) {
    ConfSeatEntry e;
    if (n > 0) e.status = b[0] % 6;
    if (n > 1) e.channel = b[1] % 6;
    if (n > 2) e.number = std::string(1, static_cast<char>('0' + b[2] % 4));
    if (n > 3) e.endpoint = b[3] % 5 == 4 ? 77 : b[3] % 5; // sometimes the own endpoint
    if (n > 5) e.media[1] = GetU16LE(b + 4);
    if (n > 9) e.reason = GetU32LE(b + 6);
    return e;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CallFuzzHarness& h = TheHarness();
    if (size < 1) return 0;
    const bool chairman = (data[0] & 1) != 0;
    SetCallState(CALLSTATE_IDLE, false);
    if (chairman) SetCallState(CALLSTATE_SENDREQUEST, true);
    ConfEstablish notice;
    notice.callId = kRoomId;
    notice.role = chairman ? kRoleChairman : 0;
    notice.servIP = 0x0100007F;
    notice.servPort = 9;
    auto* handler = new FuzzStreamHandler<ConfServHandler>("8001", "555", "555", h.owner.get(), notice, 0, false);
    handler->Start();
    if (data[0] & 2) handler->Connected();
    StepScript script(data + 1, size - 1, StepScript::Length::TwoBytes);
    while (const std::optional<FuzzStep> step = script.Next()) {
        const auto [action, length, bytes] = *step;
        switch (action & 0x7F) {
        case 0: {
            std::vector<std::uint8_t> message(bytes, bytes + length);
            if ((action & 0x80) && message.size() >= 12) PutU32LE(message.data() + 8, kRoomId);
            handler->Receive(message.data(), message.size());
            break;
        }
        case 1: {
            static constexpr std::uint16_t kTypes[] = {kPktConfMemberInvite, kPktConfAlert, kPktConfConnect,
                                                       kPktConfDisconnect};
            const auto p = BuildConfMember(kTypes[(action >> 7) + (length > 0 ? bytes[0] % 3 : 0)], 1, kRoomId,
                                           EntryFrom(bytes + (length > 0 ? 1 : 0), length > 0 ? length - 1 : 0));
            handler->Receive(p.data(), p.size());
            break;
        }
        case 2: {
            std::array<ConfSeatEntry, kConfSeats> seats;
            for (int i = 0; i < kConfSeats; ++i) {
                const std::size_t from = std::min<std::size_t>(length, static_cast<std::size_t>(i) * 10);
                seats[i] = EntryFrom(bytes + from, std::min<std::size_t>(10, length - from));
            }
            const auto p = BuildConfStatus(1, kRoomId, seats);
            handler->Receive(p.data(), p.size());
            break;
        }
        case 3: h.Advance(length); break;
        case 4: handler->DoCallConnect(); break;
        case 5: handler->DoConfCmd(length > 0 ? bytes[0] : 0, length > 1 ? bytes[1] : 0); break;
        case 6:
            handler->DoConfDTMF(length > 0 ? bytes[0] : 0,
                                std::string(reinterpret_cast<const char*>(bytes), length));
            break;
        default: break;
        }
    }
    handler->Lost();
    PumpMessages();
    return 0;
}
