// The receive path of a call's (or a conference's) video: datagrams are sorted to a picture
// slot, reassembled into frames, decompressed into the slot's buffer, and the window that
// shows the slot is told. The first decoded picture tells the caller where the peer's video
// comes from.
#pragma once

#include "client/media/video_codec_plug.h"
#include "client/media/video_frame_slot.h"
#include "client/media/video_reassembly.h"
#include "platform/thread.h"
#include "platform/types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {

// Posted to the notify window for every decoded picture: wParam = slot number, lParam =
// the VideoFrameSlot, whose header and buffer hold the picture (read under the slot lock).
constexpr UINT WM_VIDEO_FRAME = WM_USER + 7;

class VideoReceiver {
public:
    // Offered the source of each shown frame until it answers true (taken as the peer's).
    using PeerLearnedFunction = std::function<bool(const std::string& address, std::uint16_t port)>;

    // Stores the codec and the multi-stream flag (a conference shows up to three senders),
    // empties every reassembly list, frees every picture slot and opens one decompressor
    // per slot (none for an id that is not a video codec or that cannot be opened). The same
    // codec and flag again change nothing: the stream goes on.
    void SetCodec(int codecId, bool multiStream);
    // Strict reassembly: a missing fragment or a short frame drops the frame.
    void SetStrict(bool strict);
    void SetNotifyWindow(HWND window);
    void SetPeerLearned(PeerLearnedFunction peerLearned);
    // add: the first free slot serves this sender; otherwise the slot serving it is freed.
    // Either way that slot's reassembly list starts afresh. False when no slot fits.
    bool AssignStream(std::uint32_t ssrc, bool add);

    // Handles one media datagram (not a probe). Returns the slot number a picture was
    // decoded into, or -1.
    int HandleDatagram(const std::uint8_t* data, std::size_t length, const std::string& address,
                       std::uint16_t port);

    bool WaitingForKeyFrame(int slot);
    std::uint64_t FramesShown();

private:
    int ShowFrame(int slot, const std::string& address, std::uint16_t port); // m_lock held

    CriticalSection m_lock;
    int m_codecId = 0;
    bool m_multiStream = false;
    bool m_strict = true;
    HWND m_window = 0;
    PeerLearnedFunction m_peerLearned;
    std::array<VideoReassembly, kVideoFrameSlotCount> m_lists;
    std::array<std::unique_ptr<VideoDecompressor>, kVideoFrameSlotCount> m_decompressors;
    std::vector<std::uint8_t> m_frame;
    bool m_firstFrame = false;
    std::uint64_t m_framesShown = 0;
};

} // namespace orv
