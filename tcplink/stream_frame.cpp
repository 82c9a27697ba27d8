#include "tcplink/stream_frame.h"

#include "linkcommon/word_scramble.h"
#include "wire/byte_order.h"

#include <algorithm>

namespace orv {

std::uint8_t FrameFlagForSendFlags(std::uint32_t sendFlags) {
    if ((sendFlags & kTcpSendScramble) != 0) return kFrameFlagScrambled;
    if ((sendFlags & kTcpSendMark) != 0) return kFrameFlagMarked;
    return kFrameFlagPlain;
}

std::vector<std::uint8_t> BuildFrame(const std::uint8_t* payload, std::uint32_t size, std::uint32_t sendFlags) {
    std::vector<std::uint8_t> frame(kFrameHeaderSize + size);
    std::fill_n(frame.begin(), kFrameMarkerSize, kFrameMarkerByte);
    const std::uint8_t flag = FrameFlagForSendFlags(sendFlags);
    frame[3] = flag;
    PutU32LE(frame.data() + 4, size);
    if (size > 0) std::copy(payload, payload + size, frame.begin() + kFrameHeaderSize);
    if (flag == kFrameFlagScrambled) ScrambleWords(frame.data() + kFrameHeaderSize, size, kStreamScrambleKey);
    return frame;
}

} // namespace orv
