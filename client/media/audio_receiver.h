// The receive path of a call's audio: a media datagram is checked, its payload decoded with
// the negotiated speech codec, and the speech re-cut into 30 ms blocks numbered by their place
// in the peer's stream (from the RTP sequence) for the playout buffer. Packets missing from
// the sequence reach a codec that conceals loss itself as erasures, in order, so its decoder
// stays in step; for the others the numbering skips them and the playout buffer stands in.
// Such a codec's late packets are dropped; the others' go to their place. The first decoded
// audio tells the caller where the peer's media comes from.
#pragma once

#include "client/audio/pipeline/speech_block_ports.h"
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
    void SetOutputQueue(SpeechBlockSink* queue);
    void SetPeerLearned(PeerLearnedFunction peerLearned);

    // Handles one media datagram (not a probe) from address:port. Returns the number of
    // 480-byte blocks handed to the output queue; malformed or undecodable input gives 0.
    std::size_t HandleDatagram(const std::uint8_t* data, std::size_t length,
                               const std::string& address, std::uint16_t port);

    bool FirstPacketSeen();
    std::uint32_t LastTimestamp();

    // At most this many missing packets in a row are concealed; a longer jump in the
    // sequence (or one further back than kLatestAccepted) restarts the stream's numbering.
    static constexpr int kMostConcealed = 10;
    static constexpr int kLatestAccepted = 32;

private:
    // Accounts for the packets missing before one that is delta after the newest: decoded as
    // erasures, or left as gaps in the numbering.
    void FollowSequence(int delta, std::uint32_t decodedSize);
    void Output(std::uint64_t index, const std::uint8_t* block);

    CriticalSection m_lock;
    std::unique_ptr<AudioCodec> m_codec;
    SpeechBlockSink* m_output = nullptr;
    PeerLearnedFunction m_peerLearned;
    SpeechBlockBuffer m_blocks;
    std::vector<std::uint8_t> m_pcm;
    bool m_firstPacket = false;
    std::uint32_t m_lastTimestamp = 0;
    bool m_sequenceStarted = false;
    std::uint16_t m_lastSequence = 0;   // newest in-order packet
    std::uint64_t m_lastPacketIndex = 0; // the place of its first block
    std::uint64_t m_nextIndex = 0;       // the place of the next block re-cut
};

} // namespace orv
