// Arbitrary datagrams into the user-server handler's receive path, as the datagram link
// delivers them (event block plus detail block), with requests of every answered type
// pending under fixed numbers so that answers can match. The first input byte picks
// whether the session is registered and whether the datagram comes from the server.
#include "fuzz/common/user_serv_harness.h"
#include "udplink/udplink.h"

#include <cstring>
#include <vector>

using namespace orv;

namespace {

UserServHarness& TheHarness() {
    static UserServHarness* harness = new UserServHarness("orv-fuzz-handlers"); // lives for the whole run
    return *harness;
}

void AddRequest(CUserServHandler* h, std::uint16_t type, std::uint32_t seqNum) {
    std::uint8_t packet[12] = {};
    h->BuildHeader(packet, sizeof(packet), type, seqNum);
    h->AddPending(packet, sizeof(packet), 5, 5000, 1, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    UserServHarness& h = TheHarness();
    if (size < 1) return 0;
    h.handler->RemoveAllPending();
    EndpointID.store(data[0] & 1 ? 77 : 0);
    // The datagrams come from the server (an answer may have moved it: put it back), or,
    // with bit 1 set, from a stranger's port.
    h.handler->SetServerAddr("127.0.0.1", 5000);
    const std::uint16_t types[] = {0x0111, 0x0101, 0x0103, 0x010D, 0x0105, 0x010B, 0x010E, 0x0112, 0x0115};
    std::uint32_t seq = 1;
    for (std::uint16_t type : types) AddRequest(h.handler, type, seq++);

    // The payload in a buffer of its own size, so reads past it are caught.
    std::vector<std::uint8_t> payload(data + 1, data + size);
    UdpNotifyBlock block{};
    block.event = LinkEvent{kLinkEventData, h.handler->GetLinkId()};
    std::memcpy(block.info.address, "127.0.0.1", 10);
    block.info.port = data[0] & 2 ? 5001 : 5000;
    block.info.data = payload.empty() ? nullptr : payload.data();
    block.info.length = static_cast<std::uint32_t>(payload.size());
    h.handler->OnUdpNotifyMsg(&block.event, &block.info);
    return 0;
}
