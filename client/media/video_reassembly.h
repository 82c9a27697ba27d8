// Reassembly of fragmented video frames for one picture stream. Fragments of a frame share
// a timestamp and carry consecutive sequence numbers; a frame is complete when the first
// fragment of a newer frame arrives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

constexpr std::size_t kMaxVideoFrameBytes = 65535;
constexpr std::uint16_t kMaxFilledGap = 5; // missing fragments filled with zeros (lenient mode)

class VideoReassembly {
public:
    // strict: any missing fragment or a short frame drops the frame instead of zero-filling.
    explicit VideoReassembly(bool strict = true) : m_strict(strict) {}

    void SetStrict(bool strict) { m_strict = strict; }
    // Forgets the collected fragments, the current timestamp and the wait for a key frame.
    void Clear();

    // Feeds the payload of one media packet. Returns true when this packet completed the
    // previous frame and that frame is to be shown; it is then in `frame`.
    bool Add(std::uint32_t timestamp, std::uint16_t sequence, const std::uint8_t* payload,
             std::size_t length, std::vector<std::uint8_t>& frame);

    // Set after a key frame was lost; no frame is delivered until a key frame is complete.
    bool WaitingForKeyFrame() const { return m_waitingForKeyFrame; }
    std::size_t FragmentCount() const { return m_fragments.size(); }

private:
    struct Fragment {
        std::size_t offset; // into m_bytes
        std::size_t length;
        std::uint16_t sequence;
    };
    enum class Outcome { Complete, Dropped, KeyFrameLost };

    void Append(std::uint16_t sequence, const std::uint8_t* payload, std::size_t length);
    void StartFrame(std::uint32_t timestamp);
    bool Deliver(std::vector<std::uint8_t>& frame);
    Outcome Assemble(std::vector<std::uint8_t>& frame, bool& keyFrame) const;

    bool m_strict;
    bool m_started = false; // a current timestamp exists
    std::uint32_t m_timestamp = 0;
    std::vector<std::uint8_t> m_bytes;
    std::vector<Fragment> m_fragments;
    bool m_overflow = false; // more bytes arrived than any frame can hold
    bool m_waitingForKeyFrame = false;
};

// A delivered frame is longer than its 40-byte header and exactly as long as the header says.
bool IsWellFormedVideoFrame(const std::uint8_t* frame, std::size_t length);

} // namespace orv
