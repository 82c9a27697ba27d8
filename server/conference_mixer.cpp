#include "server/conference_mixer.h"

#include "client/audio/codecs/pcm_bytes.h"
#include "wire/media_header.h"

#include <algorithm>
#include <random>

namespace orv {

namespace {

constexpr std::size_t kStartBlocks = 2;   // queued before a seat starts to play
constexpr std::size_t kMostBlocks = 10;   // beyond this the sender runs ahead: cut back
constexpr std::size_t kCutBackBlocks = 3; // to this many
constexpr std::size_t kLongestDecode = 65536;

} // namespace

ConferenceMixer::ConferenceMixer(std::uint32_t ssrc) : m_ssrc(ssrc), m_pcm(kMixBlockSamples * 2) {
    std::random_device rd;
    m_startSeq = rd();
}

bool ConferenceMixer::Join(int seat, int sendCodec, int playCodec) {
    if (seat < 0 || seat >= kMixerSeats) return false;
    auto s = std::make_unique<Seat>();
    s->decoder = CreateAudioCodec(sendCodec);
    s->encoder = CreateAudioCodec(playCodec);
    if (!s->decoder || !s->encoder) {
        m_seats[seat].reset();
        return false;
    }
    // Sequence numbers and timestamps start somewhere unguessable, a different place per seat.
    s->sequence = static_cast<std::uint16_t>(m_startSeq + 7919u * static_cast<unsigned>(seat));
    s->timestamp = m_startSeq * 2654435761u + 104729u * static_cast<unsigned>(seat);
    m_seats[seat] = std::move(s);
    return true;
}

void ConferenceMixer::Leave(int seat) {
    if (seat >= 0 && seat < kMixerSeats) m_seats[seat].reset();
}

bool ConferenceMixer::Joined(int seat) const { return seat >= 0 && seat < kMixerSeats && m_seats[seat] != nullptr; }

std::size_t ConferenceMixer::Queued(int seat) const {
    return Joined(seat) ? m_seats[seat]->queue.size() - m_seats[seat]->head : 0;
}

std::size_t ConferenceMixer::Feed(int seat, const std::uint8_t* payload, std::size_t size) {
    if (!Joined(seat) || payload == nullptr || size == 0 || size > kLongestDecode) return 0;
    Seat& s = *m_seats[seat];
    const std::uint32_t unit = s.decoder->UnitSize();
    if (unit == 0 || size % unit != 0) return 0;
    m_decoded.resize(s.decoder->PcmSize(static_cast<std::uint32_t>(size)));
    std::uint32_t in = static_cast<std::uint32_t>(size);
    std::uint32_t out = static_cast<std::uint32_t>(m_decoded.size());
    if (s.decoder->Decode(payload, in, m_decoded.data(), out) != 0 || out > m_decoded.size()) return 0;
    const std::size_t samples = out / 2;
    // Drop what was mixed already before the queue grows, then cut back a sender that runs ahead.
    s.queue.erase(s.queue.begin(), s.queue.begin() + static_cast<std::ptrdiff_t>(s.head));
    s.head = 0;
    for (std::size_t i = 0; i < samples; ++i) s.queue.push_back(ReadSample(m_decoded.data() + 2 * i));
    if (s.queue.size() > kMostBlocks * kMixBlockSamples) {
        s.queue.erase(s.queue.begin(),
                      s.queue.end() - static_cast<std::ptrdiff_t>(kCutBackBlocks * kMixBlockSamples));
    }
    return samples;
}

void ConferenceMixer::TakeBlock(Seat& s) {
    const std::size_t queued = s.queue.size() - s.head;
    if (!s.playing && queued >= kStartBlocks * kMixBlockSamples) s.playing = true;
    if (!s.playing || queued < kMixBlockSamples) {
        s.playing = false; // ran dry: silence until enough is in again
        s.hasBlock = false;
        return;
    }
    std::copy_n(s.queue.begin() + static_cast<std::ptrdiff_t>(s.head), kMixBlockSamples, s.block.begin());
    s.head += kMixBlockSamples;
    s.hasBlock = true;
}

void ConferenceMixer::Mix(std::array<std::vector<std::uint8_t>, kMixerSeats>* out) {
    std::array<std::int32_t, kMixBlockSamples> sum{};
    for (auto& seat : m_seats) {
        if (!seat) continue;
        TakeBlock(*seat);
        if (!seat->hasBlock) continue;
        for (std::size_t i = 0; i < kMixBlockSamples; ++i) sum[i] += seat->block[i];
    }
    for (int i = 0; i < kMixerSeats; ++i) {
        (*out)[i].clear();
        if (m_seats[i]) Encode(*m_seats[i], sum.data(), &(*out)[i]);
    }
}

void ConferenceMixer::Encode(Seat& s, const std::int32_t* sum, std::vector<std::uint8_t>* packet) {
    for (std::size_t i = 0; i < kMixBlockSamples; ++i) {
        std::int32_t v = sum[i] - (s.hasBlock ? s.block[i] : 0); // everyone but the seat itself
        if (v > 32767 || v < -32768) {
            ++m_clipped;
            v = std::clamp(v, -32768, 32767);
        }
        WriteSample(m_pcm.data() + 2 * i, static_cast<std::int16_t>(v));
    }
    std::uint32_t in = static_cast<std::uint32_t>(m_pcm.size());
    std::uint32_t size = s.encoder->EncodedSize(in);
    packet->assign(kMediaHeaderBytes + size, 0);
    if (s.encoder->Encode(m_pcm.data(), in, packet->data() + kMediaHeaderBytes, size) != 0 || size == 0) {
        packet->clear();
        return;
    }
    packet->resize(kMediaHeaderBytes + size);
    MediaHeader h;
    h.payloadType = s.encoder->PayloadType();
    h.sequence = s.sequence++;
    h.timestamp = s.timestamp;
    h.ssrc = m_ssrc;
    s.timestamp += kMixBlockSamples;
    PackMediaHeader(h, packet->data());
}

} // namespace orv
