#include "tests/media/media_test_support.h"

#include "client/audio/codecs/audio_codec.h"
#include "client/audio/pipeline/pcm_block_queue.h"
#include "wire/media_header.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace orv::test {

Bytes SpeechBlock(int first) {
    Bytes pcm(kPcmBlockBytes);
    for (std::size_t i = 0; i < kPcmBlockSamples; ++i) {
        const double t = static_cast<double>(first + static_cast<int>(i)) / 8000.0;
        const auto s = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440 * t) +
                                                 3000 * std::sin(2 * M_PI * 1230 * t));
        pcm[2 * i] = static_cast<std::uint8_t>(s & 0xFF);
        pcm[2 * i + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
    }
    return pcm;
}

Bytes AudioPacket(AudioCodec& codec, const Bytes& pcm, std::uint16_t sequence, std::uint32_t timestamp,
                  std::uint32_t ssrc) {
    Bytes packet(kMediaHeaderBytes + codec.EncodedSize(static_cast<std::uint32_t>(pcm.size())));
    auto pcmLength = static_cast<std::uint32_t>(pcm.size());
    auto outLength = static_cast<std::uint32_t>(packet.size() - kMediaHeaderBytes);
    if (codec.Encode(pcm.data(), pcmLength, packet.data() + kMediaHeaderBytes, outLength) != 0) return {};
    packet.resize(kMediaHeaderBytes + outLength);
    MediaHeader header;
    header.payloadType = codec.PayloadType();
    header.sequence = sequence;
    header.timestamp = timestamp;
    header.ssrc = ssrc;
    PackMediaHeader(header, packet.data());
    return packet;
}

double Correlation(const std::uint8_t* a, const std::uint8_t* b, std::size_t bytes) {
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const double x = static_cast<std::int16_t>(a[i] | (a[i + 1] << 8));
        const double y = static_cast<std::int16_t>(b[i] | (b[i + 1] << 8));
        ab += x * y, aa += x * x, bb += y * y;
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

UdpPeer::UdpPeer() {
    if (socket.Create(0, SOCK_DGRAM, "127.0.0.1")) socket.LocalAddress(address, port);
}

bool UdpPeer::Receive(Bytes& datagram, int timeoutMs, std::string* from, std::uint16_t* fromPort) {
    pollfd wait{socket.Handle(), POLLIN, 0};
    if (poll(&wait, 1, timeoutMs) != 1) return false;
    datagram.resize(kMaxDatagramBytes);
    std::string source;
    std::uint16_t sourcePort = 0;
    const long n = socket.ReceiveFrom(datagram.data(), datagram.size(), source, sourcePort);
    if (n < 0) return false;
    datagram.resize(static_cast<std::size_t>(n));
    if (from != nullptr) *from = source;
    if (fromPort != nullptr) *fromPort = sourcePort;
    return true;
}

void UdpPeer::SendTo(const Bytes& datagram, std::uint16_t toPort) {
    socket.SendTo(datagram.data(), datagram.size(), toPort, "127.0.0.1");
}

std::uint32_t UdpPeer::LoopbackNetworkOrder() { return htonl(INADDR_LOOPBACK); }

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace orv::test
