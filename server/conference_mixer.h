// The audio mixer of one conference room. Each seat's speech comes in as media payloads in
// the codec it sends with; they are decoded into a short queue of samples per seat. Every
// 30 ms the mixer takes one block of 240 samples from each seat that has speech ready (a
// seat with none adds silence), and gives every seat the sum of the others, never its own
// voice, cut to the 16-bit range, encoded in the codec that seat plays, as a whole media
// packet with its own sequence numbers and timestamps (240 a block) under the room's source.
// A seat's queue starts to play once two blocks are in (a little room for jitter), plays
// silence when it runs dry until two are in again, and is cut back when a sender runs ahead.
// Not thread-safe: the server's one thread owns it.
#pragma once

#include "client/audio/codecs/audio_codec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

constexpr std::size_t kMixBlockSamples = 240;
constexpr int kMixerSeats = 4;

class ConferenceMixer {
public:
    explicit ConferenceMixer(std::uint32_t ssrc);

    // The seat takes part: decodes what it sends with sendCodec, hears the mix in playCodec
    // (codec ids 1..4). False (and the seat left out) when either codec cannot be made.
    bool Join(int seat, int sendCodec, int playCodec);
    void Leave(int seat);
    bool Joined(int seat) const;

    // One media payload of the seat (the bytes after the media header). Undecodable input
    // is dropped; the count of decoded samples is returned.
    std::size_t Feed(int seat, const std::uint8_t* payload, std::size_t size);

    // Mixes one 30 ms block: out[seat] is the media packet for each joined seat, empty for
    // the others.
    void Mix(std::array<std::vector<std::uint8_t>, kMixerSeats>* out);

    std::size_t Queued(int seat) const;
    std::uint64_t ClippedSamples() const { return m_clipped; }

private:
    struct Seat {
        std::unique_ptr<AudioCodec> decoder;
        std::unique_ptr<AudioCodec> encoder;
        std::vector<std::int16_t> queue; // decoded samples waiting, oldest first
        std::size_t head = 0;            // first sample not yet mixed
        bool playing = false;            // enough queued to start (again)
        std::uint16_t sequence = 0;
        std::uint32_t timestamp = 0;
        std::array<std::int16_t, kMixBlockSamples> block{};
        bool hasBlock = false;
    };
    void TakeBlock(Seat& s);
    void Encode(Seat& s, const std::int32_t* sum, std::vector<std::uint8_t>* packet);

    std::uint32_t m_ssrc;
    std::array<std::unique_ptr<Seat>, kMixerSeats> m_seats;
    std::vector<std::uint8_t> m_pcm;     // scratch: one block as little-endian bytes
    std::vector<std::uint8_t> m_decoded; // scratch: a payload's decoded bytes
    std::uint64_t m_clipped = 0;
    std::uint32_t m_startSeq = 0;
};

} // namespace orv
