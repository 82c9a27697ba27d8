// The datagram receive path with arbitrary datagrams: decoding must stay inside the datagram,
// and whatever payload it yields must survive the send path and come back unchanged.
//
// Input: byte 0 = link flags (low 2 bits), the rest = the datagram as it arrived.
#include "linkcommon/word_scramble.h"
#include "udplink/datagram_codec.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint32_t linkFlags = data[0] & 3;
    std::vector<std::uint8_t> datagram(data + 1, data + size);
    const std::vector<std::uint8_t> arrived = datagram;

    orv::UdpNotifyBlock block{};
    const bool delivered = orv::MakeDatagramNotification(7, linkFlags, datagram.data(), datagram.size(),
                                                         0x0100007F, 4000, &block);
    if (!delivered) {
        if (linkFlags == 0 || !arrived.empty()) std::abort();
        return 0;
    }
    const std::uint8_t* payload = block.info.data;
    const std::size_t length = block.info.length;
    const std::uint8_t* begin = datagram.data();
    if (length > datagram.size() || payload < begin || payload + length > begin + datagram.size()) std::abort();
    if (block.event.code != orv::kLinkEventData || block.event.link != 7) std::abort();
    if (std::strcmp(block.info.address, "127.0.0.1") != 0 || block.info.port != 4000) std::abort();

    // Re-encoding with the prefix that arrived gives back the datagram as it arrived.
    const bool scrambled = linkFlags != 0 && (arrived[0] & orv::kPrefixScrambled) != 0;
    if (linkFlags != 0 && (arrived[0] == orv::kPrefixPlain || arrived[0] == orv::kPrefixScrambled)) {
        const std::uint32_t flags = scrambled ? orv::kUdpFlagScramble : 1;
        const std::vector<std::uint8_t> again = orv::EncodeDatagram(flags, flags, payload, length);
        if (again != arrived) std::abort();
    } else if (linkFlags == 0 && std::vector<std::uint8_t>(payload, payload + length) != arrived) {
        std::abort();
    }
    return 0;
}
