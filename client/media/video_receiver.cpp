#include "client/media/video_receiver.h"

#include "client/log/log.h"
#include "client/media/call_video_capture.h"
#include "platform/message.h"
#include "wire/media_header.h"

#include <cstdint>
#include <limits>
#include <mutex>

namespace orv {

namespace {

// No decoded picture is larger than this (a 4096 x 4096 picture of 32 bits), whatever a
// decompressor reports.
constexpr std::uint32_t kMaxDecodedBytes = 64u << 20;

} // namespace

void VideoReceiver::SetCodec(int codecId, bool multiStream) {
    {
        // A call's media opened again with the same codec (the peer's media parameters
        // arrive after its connect) keeps its decoders: the key frame they hold is the
        // reference of the frames that follow, which fresh decoders could not decode.
        std::lock_guard<CriticalSection> hold(m_lock);
        if (codecId != 0 && codecId == m_codecId && multiStream == m_multiStream) return;
    }
    std::array<std::unique_ptr<VideoDecompressor>, kVideoFrameSlotCount> decompressors;
    for (auto& decompressor : decompressors) decompressor = OpenVideoDecompressor(codecId);
    std::lock_guard<CriticalSection> hold(m_lock);
    m_codecId = codecId;
    m_multiStream = multiStream;
    for (int i = 0; i < kVideoFrameSlotCount; ++i) {
        m_lists[static_cast<std::size_t>(i)].Clear();
        GetVideoFrameSlot(i)->Free();
    }
    m_decompressors.swap(decompressors);
}

void VideoReceiver::SetStrict(bool strict) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_strict = strict;
    for (VideoReassembly& list : m_lists) list.SetStrict(strict);
}

void VideoReceiver::SetNotifyWindow(HWND window) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_window = window;
}

void VideoReceiver::SetPeerLearned(PeerLearnedFunction peerLearned) {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_peerLearned = std::move(peerLearned);
}

bool VideoReceiver::AssignStream(std::uint32_t ssrc, bool add) {
    std::lock_guard<CriticalSection> hold(m_lock);
    for (int i = 0; i < kVideoFrameSlotCount; ++i) {
        VideoFrameSlot* slot = GetVideoFrameSlot(i);
        const bool fits = add ? slot->Index() == -1 : (slot->Index() >= 0 && slot->Ssrc() == ssrc);
        if (!fits) continue;
        if (add) slot->Assign(i, ssrc);
        else slot->Free();
        m_lists[static_cast<std::size_t>(i)].Clear();
        return true;
    }
    return false;
}

bool VideoReceiver::WaitingForKeyFrame(int slot) {
    std::lock_guard<CriticalSection> hold(m_lock);
    return slot >= 0 && slot < kVideoFrameSlotCount &&
           m_lists[static_cast<std::size_t>(slot)].WaitingForKeyFrame();
}

std::uint64_t VideoReceiver::FramesShown() {
    std::lock_guard<CriticalSection> hold(m_lock);
    return m_framesShown;
}

int VideoReceiver::HandleDatagram(const std::uint8_t* data, std::size_t length,
                                  const std::string& address, std::uint16_t port) {
    std::lock_guard<CriticalSection> hold(m_lock);
    MediaHeader header;
    std::size_t offset = 0;
    if (length <= kMediaHeaderBytes || !UnpackMediaHeader(data, length, header) ||
        !FindMediaPayload(data, length, offset)) {
        return -1;
    }
    const int slot = SelectVideoSlot(m_multiStream, header.ssrc);
    if (slot < 0) return -1;
    VideoReassembly& list = m_lists[static_cast<std::size_t>(slot)];
    if (!list.Add(header.timestamp, header.sequence, data + offset, length - offset, m_frame)) return -1;
    return ShowFrame(slot, address, port);
}

int VideoReceiver::ShowFrame(int slotNumber, const std::string& address, std::uint16_t port) {
    VideoDecompressor* decompressor = m_decompressors[static_cast<std::size_t>(slotNumber)].get();
    if (decompressor == nullptr) return -1;
    VideoFrameCounters& counters = TheVideoFrameCounters();
    ++counters.received;
    BitmapInfoHeader compressed;
    if (m_frame.size() <= kBitmapInfoHeaderBytes || !IsWellFormedVideoFrame(m_frame.data(), m_frame.size()) ||
        !ReadBitmapInfoHeader(m_frame.data(), m_frame.size(), compressed)) {
        WriteLog(5, "Error Video Packet");
        ++counters.dropped;
        return -1;
    }
    BitmapInfoHeader decoded;
    if (!decompressor->OutputFormat(compressed, decoded) ||
        decoded.biSizeImage > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) ||
        decoded.biSizeImage > kMaxDecodedBytes) {
        ++counters.dropped;
        return -1;
    }
    VideoFrameSlot* slot = GetVideoFrameSlot(slotNumber);
    std::uint8_t* picture = slot->TakeBuffer(decoded.biSizeImage);
    const bool done = decompressor->Decompress(m_frame.data(), m_frame.size(), decoded, picture);
    ++(done ? counters.decoded : counters.dropped);
    if (done) {
        slot->Header() = decoded;
        ++m_framesShown;
        if (m_window != 0) PostMessage(m_window, WM_VIDEO_FRAME, static_cast<WPARAM>(slotNumber),
                                       reinterpret_cast<LPARAM>(slot));
        if (!m_firstFrame && (!m_peerLearned || m_peerLearned(address, port))) {
            m_firstFrame = true;
            WriteLog(4, "Recv Video Data from %s:%d", address.c_str(), port);
        }
    }
    slot->Unlock();
    return done ? slotNumber : -1;
}

} // namespace orv
