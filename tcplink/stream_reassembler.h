// Finds frames in a byte stream and reassembles their messages. The stream is scanned for
// the marker (three consecutive FD bytes, counted across calls); the five bytes after it give
// the flag and the length; the payload follows. Bytes before a marker, and a header whose
// length exceeds the bound, are skipped: the stream resynchronises on the next marker.
// The result does not depend on how the stream is split into calls.
#pragma once

#include "tcplink/stream_frame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

class StreamReassembler {
public:
    explicit StreamReassembler(std::uint32_t maxMessage = kMaxStreamMessage) : m_maxMessage(maxMessage) {}

    struct Step {
        std::size_t consumed; // bytes of the input taken by this call
        bool complete;        // a message became complete (TakeMessage)
    };
    // Consumes a prefix of data; stops right after a message completes.
    Step Feed(const std::uint8_t* data, std::size_t size);

    // The message completed by the last Feed, unscrambled when its flag was 2.
    std::vector<std::uint8_t> TakeMessage() { return std::move(m_complete); }
    std::uint8_t CompletedFlag() const { return m_completeFlag; }

    // The message being filled (null buffer when none is in progress). The buffer holds at
    // least Received() bytes and is zero beyond them; it may move on the next Feed.
    std::uint8_t* Buffer() { return m_phase == Phase::Body ? m_body.data() : nullptr; }
    std::uint32_t ExpectedLength() const { return m_phase == Phase::Body ? m_expected : 0; }
    std::uint32_t Received() const { return m_phase == Phase::Body ? m_received : 0; }

    // Headers dropped because their length exceeded the bound.
    std::uint64_t FramingErrors() const { return m_framingErrors; }
    void Reset();

private:
    enum class Phase { Scan, Header, Body };
    std::size_t ScanForMarker(const std::uint8_t* data, std::size_t size);
    std::size_t FillHeader(const std::uint8_t* data, std::size_t size);
    std::size_t FillBody(const std::uint8_t* data, std::size_t size);
    void StartBody();
    void FinishMessage();

    const std::uint32_t m_maxMessage;
    Phase m_phase = Phase::Scan;
    int m_markerRun = 0;
    std::uint8_t m_header[kFrameHeaderSize] = {};
    std::size_t m_headerFill = 0;
    std::uint8_t m_flag = 0;
    std::uint32_t m_expected = 0;
    std::uint32_t m_received = 0;
    std::vector<std::uint8_t> m_body;
    std::vector<std::uint8_t> m_complete;
    std::uint8_t m_completeFlag = 0;
    std::uint64_t m_framingErrors = 0;
};

} // namespace orv
