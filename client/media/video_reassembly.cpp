#include "client/media/video_reassembly.h"

#include "client/media/bitmap_info_header.h"

#include <cstring>

namespace orv {

namespace {

constexpr std::size_t kMaxFragments = 65536; // more than a 16-bit sequence can number

// Timestamps count milliseconds of the sender's tick, which wraps after 49 days; the signed
// difference keeps the order across the wrap. A step of more than this either way is no
// reordering but a new timeline (the sender restarted its clock, or one datagram claimed a
// far future): taken as such, it cannot make every later frame look old.
constexpr std::int32_t kTimelineJumpMs = 10000;

// A frame a little behind the current one arrived late and is dropped.
bool IsLate(std::uint32_t timestamp, std::uint32_t current) {
    const auto step = static_cast<std::int32_t>(timestamp - current);
    return step < 0 && step > -kTimelineJumpMs;
}

} // namespace

void VideoReassembly::Clear() {
    m_started = false;
    m_timestamp = 0;
    m_bytes.clear();
    m_fragments.clear();
    m_overflow = false;
    m_waitingForKeyFrame = false;
}

void VideoReassembly::Append(std::uint16_t sequence, const std::uint8_t* payload,
                             std::size_t length) {
    if (m_overflow || m_bytes.size() + length > kMaxVideoFrameBytes ||
        m_fragments.size() >= kMaxFragments) {
        m_overflow = true; // cannot assemble; keep the first fragment for the key-frame check
        return;
    }
    m_fragments.push_back({m_bytes.size(), length, sequence});
    if (length != 0) m_bytes.insert(m_bytes.end(), payload, payload + length);
}

void VideoReassembly::StartFrame(std::uint32_t timestamp) {
    m_bytes.clear();
    m_fragments.clear();
    m_overflow = false;
    m_timestamp = timestamp;
    m_started = true;
}

bool VideoReassembly::Add(std::uint32_t timestamp, std::uint16_t sequence,
                          const std::uint8_t* payload, std::size_t length,
                          std::vector<std::uint8_t>& frame) {
    if (payload == nullptr && length != 0) return false;
    if (m_started && timestamp == m_timestamp) {
        Append(sequence, payload, length);
        return false;
    }
    if (m_started && IsLate(timestamp, m_timestamp)) return false;
    const bool delivered = m_started && Deliver(frame);
    StartFrame(timestamp);
    Append(sequence, payload, length);
    return delivered;
}

bool VideoReassembly::Deliver(std::vector<std::uint8_t>& frame) {
    bool keyFrame = false;
    switch (Assemble(frame, keyFrame)) {
    case Outcome::KeyFrameLost:
        m_waitingForKeyFrame = true;
        return false;
    case Outcome::Dropped:
        return false;
    case Outcome::Complete:
        if (keyFrame) m_waitingForKeyFrame = false;
        return !m_waitingForKeyFrame;
    }
    return false;
}

VideoReassembly::Outcome VideoReassembly::Assemble(std::vector<std::uint8_t>& frame,
                                                   bool& keyFrame) const {
    BitmapInfoHeader header;
    if (m_fragments.empty()) return Outcome::Dropped;
    const Fragment& first = m_fragments.front();
    if (!ReadBitmapInfoHeader(m_bytes.data() + first.offset, first.length, header) ||
        header.biSize == 0 || header.biSizeImage == 0) {
        return Outcome::Dropped;
    }
    const std::uint64_t described = DescribedFrameLength(header);
    if (described > kMaxVideoFrameBytes) return Outcome::Dropped;
    keyFrame = header.biClrImportant == 1;
    const Outcome lost = keyFrame ? Outcome::KeyFrameLost : Outcome::Dropped;
    if (m_overflow) return lost; // wrote past the described length

    const std::size_t expected = static_cast<std::size_t>(described);
    frame.resize(expected);
    std::size_t written = 0;
    const Fragment* previous = nullptr;
    for (const Fragment& fragment : m_fragments) {
        std::size_t fill = 0;
        if (previous != nullptr) {
            if (fragment.sequence == previous->sequence) return Outcome::Dropped;
            // Modulo 2^16: 0xFFFF -> 0 is no gap; a fragment from before its predecessor
            // makes a huge gap and drops the frame rather than landing in the wrong place.
            const auto gap = static_cast<std::uint16_t>(fragment.sequence - previous->sequence - 1);
            if (gap > kMaxFilledGap || (m_strict && gap > 0)) return lost;
            fill = gap * previous->length;
        }
        if (fill + fragment.length > expected - written) return lost;
        std::memset(frame.data() + written, 0, fill);
        written += fill;
        if (fragment.length != 0) {
            std::memcpy(frame.data() + written, m_bytes.data() + fragment.offset, fragment.length);
        }
        written += fragment.length;
        previous = &fragment;
    }
    if (written != expected) {
        if (m_strict) return lost;
        std::memset(frame.data() + written, 0, expected - written);
    }
    return Outcome::Complete;
}

bool IsWellFormedVideoFrame(const std::uint8_t* frame, std::size_t length) {
    BitmapInfoHeader header;
    if (length <= kBitmapInfoHeaderBytes || !ReadBitmapInfoHeader(frame, length, header)) {
        return false;
    }
    return DescribedFrameLength(header) == length;
}

} // namespace orv
