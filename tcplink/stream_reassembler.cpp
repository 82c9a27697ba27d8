#include "tcplink/stream_reassembler.h"

#include "linkcommon/word_scramble.h"
#include "wire/byte_order.h"

#include <algorithm>
#include <cstring>

namespace orv {

namespace {
// The body buffer starts at most this large and grows with the bytes that really arrive, so a
// header announcing a large length costs memory only once its payload comes.
constexpr std::size_t kInitialBody = 64 * 1024;
} // namespace

StreamReassembler::Step StreamReassembler::Feed(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    while (at < size) {
        switch (m_phase) {
        case Phase::Scan:
            at += ScanForMarker(data + at, size - at);
            break;
        case Phase::Header:
            at += FillHeader(data + at, size - at);
            break;
        case Phase::Body:
            at += FillBody(data + at, size - at);
            break;
        }
        if (m_phase == Phase::Body && m_received == m_expected) {
            FinishMessage();
            return {at, true};
        }
    }
    return {at, false};
}

std::size_t StreamReassembler::ScanForMarker(const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != kFrameMarkerByte) {
            m_markerRun = 0;
            continue;
        }
        if (++m_markerRun == static_cast<int>(kFrameMarkerSize)) {
            m_markerRun = 0;
            std::fill_n(m_header, kFrameMarkerSize, kFrameMarkerByte);
            m_headerFill = kFrameMarkerSize;
            m_phase = Phase::Header;
            return i + 1;
        }
    }
    return size;
}

std::size_t StreamReassembler::FillHeader(const std::uint8_t* data, std::size_t size) {
    const std::size_t take = std::min(size, kFrameHeaderSize - m_headerFill);
    std::memcpy(m_header + m_headerFill, data, take);
    m_headerFill += take;
    if (m_headerFill < kFrameHeaderSize) return take;

    m_flag = m_header[3];
    m_expected = GetU32LE(m_header + 4);
    m_headerFill = 0;
    if (m_expected > m_maxMessage) {
        ++m_framingErrors;
        m_phase = Phase::Scan;
    } else {
        StartBody();
    }
    return take;
}

void StreamReassembler::StartBody() {
    m_phase = Phase::Body;
    m_received = 0;
    m_body.assign(std::min<std::size_t>(m_expected, kInitialBody), 0);
}

std::size_t StreamReassembler::FillBody(const std::uint8_t* data, std::size_t size) {
    const std::size_t take = std::min<std::size_t>(size, m_expected - m_received);
    const std::size_t needed = m_received + take;
    if (needed > m_body.size()) {
        m_body.resize(std::min<std::size_t>(m_expected, std::max(needed, 2 * m_body.size())), 0);
    }
    std::memcpy(m_body.data() + m_received, data, take);
    m_received += static_cast<std::uint32_t>(take);
    return take;
}

void StreamReassembler::FinishMessage() {
    m_body.resize(m_expected);
    if (m_flag == kFrameFlagScrambled) UnscrambleWords(m_body.data(), m_body.size(), kStreamScrambleKey);
    m_complete = std::move(m_body);
    m_body = {};
    m_completeFlag = m_flag;
    m_phase = Phase::Scan;
    m_markerRun = 0;
    m_expected = 0;
    m_received = 0;
}

void StreamReassembler::Reset() {
    m_phase = Phase::Scan;
    m_markerRun = 0;
    m_headerFill = 0;
    m_expected = 0;
    m_received = 0;
    m_body = {};
    m_complete = {};
}

} // namespace orv
