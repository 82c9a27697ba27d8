#include "client/media/audio_receiver.h"

#include "client/audio/codecs/audio_codec.h"
#include "client/log/log.h"
#include "wire/media_header.h"

#include <algorithm>
#include <mutex>

namespace orv {

namespace {

// Block numbers start far from zero, so a late packet's place never goes below it.
constexpr std::uint64_t kFirstIndex = std::uint64_t{1} << 32;

} // namespace

AudioReceiver::AudioReceiver() = default;
AudioReceiver::~AudioReceiver() = default;

void AudioReceiver::SetCodec(int codecId) {
    std::unique_ptr<AudioCodec> codec = CreateAudioCodec(codecId);
    std::lock_guard<CriticalSection> hold(m_lock);
    m_codec = std::move(codec);
    m_blocks.Clear();
    m_sequenceStarted = false;
}

void AudioReceiver::SetOutputQueue(SpeechBlockSink* queue) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_output = queue;
}

void AudioReceiver::SetPeerLearned(PeerLearnedFunction peerLearned) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_peerLearned = std::move(peerLearned);
}

bool AudioReceiver::FirstPacketSeen() {
    std::lock_guard<CriticalSection> hold(m_lock);
    return m_firstPacket;
}

std::uint32_t AudioReceiver::LastTimestamp() {
    std::lock_guard<CriticalSection> hold(m_lock);
    return m_lastTimestamp;
}

std::size_t AudioReceiver::HandleDatagram(const std::uint8_t* data, std::size_t length,
                                          const std::string& address, std::uint16_t port) {
    std::lock_guard<CriticalSection> hold(m_lock);
    MediaHeader header;
    std::size_t offset = 0;
    if (!m_codec || !UnpackMediaHeader(data, length, header) ||
        !FindMediaPayload(data, length, offset)) {
        return 0;
    }
    auto payloadLength = static_cast<std::uint32_t>(length - offset);
    const std::uint32_t decodedSize = m_codec->PcmSize(payloadLength);
    const std::uint32_t unit = m_codec->UnitSize();
    if (decodedSize == 0 || unit == 0 || decodedSize % unit != 0) return 0;

    m_pcm.resize(decodedSize);
    const int delta = m_sequenceStarted ? static_cast<std::int16_t>(header.sequence - m_lastSequence) : 1;
    if (delta <= 0 && delta > -kLatestAccepted) {
        // A late or repeated packet: an in-order codec has concealed it already.
        if (m_codec->ConcealsLoss()) return 0;
        std::uint32_t pcmLength = decodedSize;
        if (m_codec->Decode(data + offset, payloadLength, m_pcm.data(), pcmLength) != 0 ||
            pcmLength != kSpeechBlockBytes) {
            return 0;
        }
        Output(m_lastPacketIndex + static_cast<std::uint64_t>(static_cast<std::int64_t>(delta)), m_pcm.data());
        return 1;
    }
    FollowSequence(delta, decodedSize);
    m_sequenceStarted = true;
    m_lastSequence = header.sequence;
    m_lastPacketIndex = m_nextIndex + m_blocks.Buffered() / kPiecesPerPull;

    std::uint32_t pcmLength = decodedSize;
    if (m_codec->Decode(data + offset, payloadLength, m_pcm.data(), pcmLength) != 0 ||
        pcmLength > decodedSize) {
        return 0;
    }
    m_blocks.Add(m_pcm.data(), pcmLength / kSpeechPieceBytes);
    std::size_t played = 0;
    while (const std::uint8_t* block = m_blocks.Pull()) {
        Output(m_nextIndex++, block);
        m_lastTimestamp = header.timestamp;
        ++played;
    }
    if (played != 0 && !m_firstPacket && (!m_peerLearned || m_peerLearned(address, port))) {
        m_firstPacket = true;
        WriteLog(4, "Recv Audio Data from %s:%d", address.c_str(), port);
    }
    return played;
}

void AudioReceiver::Output(std::uint64_t index, const std::uint8_t* block) {
    if (m_output != nullptr) m_output->PutBlock(index, block);
}

void AudioReceiver::FollowSequence(int delta, std::uint32_t decodedSize) {
    if (!m_sequenceStarted || delta <= 0 || delta > kMostConcealed) {
        // A new stream, or a jump too far to conceal: numbering goes on without a gap.
        if (!m_sequenceStarted) m_nextIndex = kFirstIndex;
        return;
    }
    for (int missing = 1; missing < delta; ++missing) {
        std::uint32_t pcmLength = decodedSize;
        if (m_codec->ConcealsLoss() && m_codec->DecodeErasure(m_pcm.data(), pcmLength) == 0) {
            m_blocks.Add(m_pcm.data(), pcmLength / kSpeechPieceBytes);
            while (const std::uint8_t* block = m_blocks.Pull()) Output(m_nextIndex++, block);
        } else {
            // Left to the playout buffer: the place of one packet's speech stays empty.
            m_blocks.Clear();
            m_nextIndex += std::max<std::uint64_t>(1, decodedSize / kSpeechBlockBytes);
        }
    }
}

} // namespace orv
