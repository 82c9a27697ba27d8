// The send side of video: a compressed frame becomes one byte string (bitmap header, colour
// table, data) that is cut into media packets of a fixed payload size.
#pragma once

#include "client/media/bitmap_info_header.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace orv {

constexpr std::size_t kDefaultVideoSizeLimit = 512;

// Header (biSizeImage := dataLength, biClrImportant := 1 for a key frame), then biClrUsed x 4
// bytes of colour table (may be null when biClrUsed is 0), then the compressed data. Writes
// into `frame`, reusing its storage.
void BuildVideoFrame(const BitmapInfoHeader& format, const std::uint8_t* colourTable,
                     const std::uint8_t* data, std::size_t dataLength, bool keyFrame,
                     std::vector<std::uint8_t>& frame);

class VideoFragmenter {
public:
    using SendFunction = std::function<void(const std::uint8_t* packet, std::size_t length)>;

    // sizeLimit is the configured payload size of a fragment; 0 selects 512.
    explicit VideoFragmenter(std::size_t sizeLimit);

    std::size_t SizeLimit() const { return m_limit; }
    // Full pieces plus one shorter remainder; no empty last piece.
    std::size_t FragmentCount(std::size_t frameLength) const;

    // Sends each piece behind a header (0x80, payload type 0, the next sequence number, the
    // frame timestamp, the SSRC). `sequence` is the sender's 32-bit counter; its low 16 bits
    // go on the wire.
    void Send(const std::uint8_t* frame, std::size_t length, std::uint32_t timestamp,
              std::uint32_t ssrc, std::uint32_t& sequence, const SendFunction& send);

private:
    std::size_t m_limit;
    std::vector<std::uint8_t> m_packet;
};

} // namespace orv
