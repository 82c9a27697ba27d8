#include "client/media/video_fragmenter.h"

#include "wire/media_header.h"

#include <algorithm>
#include <cstring>

namespace orv {

void BuildVideoFrame(const BitmapInfoHeader& format, const std::uint8_t* colourTable,
                     const std::uint8_t* data, std::size_t dataLength, bool keyFrame,
                     std::vector<std::uint8_t>& frame) {
    BitmapInfoHeader header = format;
    header.biSizeImage = static_cast<std::uint32_t>(dataLength);
    if (keyFrame) header.biClrImportant = 1;
    const std::size_t tableBytes = colourTable != nullptr ? 4 * std::size_t{format.biClrUsed} : 0;
    header.biClrUsed = static_cast<std::uint32_t>(tableBytes / 4);
    header.biSize = kBitmapInfoHeaderBytes;
    frame.resize(kBitmapInfoHeaderBytes + tableBytes + dataLength);
    WriteBitmapInfoHeader(header, frame.data());
    if (tableBytes != 0) std::memcpy(frame.data() + kBitmapInfoHeaderBytes, colourTable, tableBytes);
    if (dataLength != 0) {
        std::memcpy(frame.data() + kBitmapInfoHeaderBytes + tableBytes, data, dataLength);
    }
}

VideoFragmenter::VideoFragmenter(std::size_t sizeLimit)
    : m_limit(sizeLimit == 0 ? kDefaultVideoSizeLimit : sizeLimit),
      m_packet(kMediaHeaderBytes + m_limit) {}

std::size_t VideoFragmenter::FragmentCount(std::size_t frameLength) const {
    return (frameLength + m_limit - 1) / m_limit;
}

void VideoFragmenter::Send(const std::uint8_t* frame, std::size_t length, std::uint32_t timestamp,
                           std::uint32_t ssrc, std::uint32_t& sequence, const SendFunction& send) {
    MediaHeader header;
    header.timestamp = timestamp;
    header.ssrc = ssrc;
    for (std::size_t offset = 0; offset < length; offset += m_limit) {
        const std::size_t piece = std::min(m_limit, length - offset);
        header.sequence = static_cast<std::uint16_t>(sequence++);
        PackMediaHeader(header, m_packet.data());
        std::memcpy(m_packet.data() + kMediaHeaderBytes, frame + offset, piece);
        send(m_packet.data(), kMediaHeaderBytes + piece);
    }
}

} // namespace orv
