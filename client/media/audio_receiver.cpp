#include "client/media/audio_receiver.h"

#include "client/audio/codecs/audio_codec.h"
#include "client/audio/pipeline/pcm_block_queue.h"
#include "client/log/log.h"
#include "wire/media_header.h"

#include <mutex>

namespace orv {

AudioReceiver::AudioReceiver() = default;
AudioReceiver::~AudioReceiver() = default;

void AudioReceiver::SetCodec(int codecId) {
    std::unique_ptr<AudioCodec> codec = CreateAudioCodec(codecId);
    std::lock_guard<CriticalSection> hold(m_lock);
    m_codec = std::move(codec);
    m_blocks.Clear();
}

void AudioReceiver::SetOutputQueue(PcmBlockQueue* queue) {
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
    std::uint32_t pcmLength = decodedSize;
    if (m_codec->Decode(data + offset, payloadLength, m_pcm.data(), pcmLength) != 0 ||
        pcmLength > decodedSize) {
        return 0;
    }
    m_blocks.Add(m_pcm.data(), pcmLength / kSpeechPieceBytes);
    std::size_t played = 0;
    while (const std::uint8_t* block = m_blocks.Pull()) {
        if (m_output != nullptr) m_output->Put(block);
        m_lastTimestamp = header.timestamp;
        ++played;
    }
    if (played != 0 && !m_firstPacket && (!m_peerLearned || m_peerLearned(address, port))) {
        m_firstPacket = true;
        WriteLog(4, "Recv Audio Data from %s:%d", address.c_str(), port);
    }
    return played;
}

} // namespace orv
