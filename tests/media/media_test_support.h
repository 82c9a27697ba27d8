// Shared by the media tests: speech-like PCM, coded media packets, a bound UDP peer that
// receives with a bound wait, and a similarity measure for decoded speech.
#pragma once

#include "client/media/media_socket.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {
class AudioCodec;
}

namespace orv::test {

using Bytes = std::vector<std::uint8_t>;

// 30 ms of two mixed tones starting at sample `first` (so blocks join smoothly).
Bytes SpeechBlock(int first);
// One media packet carrying one 30 ms block coded with the codec.
Bytes AudioPacket(AudioCodec& codec, const Bytes& pcm, std::uint16_t sequence, std::uint32_t timestamp,
                  std::uint32_t ssrc = 42);
// Normalised cross-correlation of two 16-bit little-endian PCM byte strings at lag 0.
double Correlation(const std::uint8_t* a, const std::uint8_t* b, std::size_t bytes);

// A UDP socket on 127.0.0.1 with a system-chosen port.
struct UdpPeer {
    MediaSocket socket;
    std::string address;
    std::uint16_t port = 0;

    UdpPeer();
    // The next datagram, waiting up to timeoutMs; false on time-out.
    bool Receive(Bytes& datagram, int timeoutMs = 5000, std::string* from = nullptr,
                 std::uint16_t* fromPort = nullptr);
    void SendTo(const Bytes& datagram, std::uint16_t toPort);
    // IPv4 127.0.0.1 in network byte order, as calls carry addresses.
    static std::uint32_t LoopbackNetworkOrder();
};

// Polls every millisecond for up to timeoutMs; true once condition holds.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

} // namespace orv::test
