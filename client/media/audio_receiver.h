// The receive path of a call's audio: a media datagram is checked, its payload decoded with
// the negotiated speech codec, and the speech re-cut into 30 ms blocks for the playback
// queue. The first decoded audio tells the caller where the peer's media comes from.
#pragma once

#include "client/media/speech_block_buffer.h"
#include "platform/thread.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class AudioCodec;
class PcmBlockQueue;

class AudioReceiver {
public:
    // Offered the media source address (dotted) and port of decoded audio until it answers
    // true (the address was taken as the peer's); media of a stranger do not end the offers.
    using PeerLearnedFunction = std::function<bool(const std::string& address, std::uint16_t port)>;

    AudioReceiver();
    ~AudioReceiver();
    AudioReceiver(const AudioReceiver&) = delete;
    AudioReceiver& operator=(const AudioReceiver&) = delete;

    // 1 A-law, 2 mu-law, 3 G.723.1, 4 G.729; any other id (or a codec that cannot be
    // opened) selects none and drops all audio. Empties the speech block buffer.
    void SetCodec(int codecId);
    void SetOutputQueue(PcmBlockQueue* queue);
    void SetPeerLearned(PeerLearnedFunction peerLearned);

    // Handles one media datagram (not a probe) from address:port. Returns the number of
    // 480-byte blocks handed to the output queue; malformed or undecodable input gives 0.
    std::size_t HandleDatagram(const std::uint8_t* data, std::size_t length,
                               const std::string& address, std::uint16_t port);

    bool FirstPacketSeen();
    std::uint32_t LastTimestamp();

private:
    CriticalSection m_lock;
    std::unique_ptr<AudioCodec> m_codec;
    PcmBlockQueue* m_output = nullptr;
    PeerLearnedFunction m_peerLearned;
    SpeechBlockBuffer m_blocks;
    std::vector<std::uint8_t> m_pcm;
    bool m_firstPacket = false;
    std::uint32_t m_lastTimestamp = 0;
};

} // namespace orv
