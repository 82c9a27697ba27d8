// The send side of a call's media. In audio mode a thread sleeps until the microphone puts a
// block into the capture queue, encodes each 30 ms block with the negotiated speech codec and
// sends it as one media packet. The microphone's clock paces the packets; a sender that fell
// behind sends its backlog at most one packet per kCatchUpSpacingMs, so the peer never
// receives a burst. In video mode there is no thread: the video pipeline hands each frame in,
// and it is compressed, cut into fragments and sent on the caller's thread. Both send the
// 12-byte address probes that open the media path until the peer's media has been seen.
// One audio and one video sender live for the whole program; calls re-point them.
#pragma once

#include "client/media/video_codec_plug.h"
#include "client/media/video_fragmenter.h"
#include "platform/thread.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv {

class AudioCodec;
class MediaSocket;
class PcmBlockQueue;

class CDataSendThread final : public WorkerThread {
public:
    static constexpr int kModeVideo = 0;
    static constexpr int kModeAudio = 1;
    static constexpr std::uint32_t kFragmentSpacingMs = 5;
    static constexpr std::uint32_t kCatchUpSpacingMs = 15;

    // Audio mode starts the thread at the highest priority; video mode sends on the caller's
    // thread and cuts frames into videoSizeLimit-byte fragments (0 = 512).
    CDataSendThread(int mode, MediaSocket* socket, std::uint32_t ssrc, std::size_t videoSizeLimit = 0);
    ~CDataSendThread() override;

    // Selects the codecs (0 = none: the sender goes quiet), restarts the sequence numbers at 0
    // and forgets the learned peer, so probing starts again.
    void SetCodecs(int audioCodecId, int videoCodecId);
    // The peer's receive address as the call announced it: IPv4 in network order.
    void SetDestination(std::uint32_t networkOrderIp, std::uint16_t port);
    // Where a probe came from: the peer's address as seen through any translator.
    void SetDestinationFromProbe(const std::string& address, std::uint16_t port);
    // Where the peer's media came from; ends the probing.
    void SetLearnedDestination(const std::string& address, std::uint16_t port);
    void SetSourceQueue(PcmBlockQueue* queue);
    void SetSocket(MediaSocket* socket);
    // Forgets the socket if it is this one (a call's socket that is about to close).
    void ReleaseSocket(MediaSocket* socket);
    // The SSRC is the local EndpointID, which a new logon may change.
    void SetSsrc(std::uint32_t ssrc);
    void SetVideoRate(int flowRate, int frameRate);

    // 1 after sending one probe to the destination; 0, sending nothing, once the peer has
    // been learned (or without socket or destination).
    int SendProbe();

    // A raw captured picture from the video pipeline: compressed and sent when a compressor
    // is open.
    void VideoFrameSink(const BitmapInfoHeader& raw, const std::uint8_t* bits, std::size_t length);
    // A compressed picture: framed (header, colour table, data) and sent as fragments that
    // share the timestamp.
    void SendVideoFrame(const BitmapInfoHeader& format, const std::uint8_t* colourTable,
                        const std::uint8_t* data, std::size_t length, bool keyFrame,
                        std::uint32_t timestamp);

    // Silences the sender and detaches its queue; audio mode also ends the thread.
    bool Stop(std::uint32_t waitMs);

    int Mode() const { return m_mode; }
    bool PeerLearned();
    std::string DestinationAddress();
    std::uint16_t DestinationPort();
    std::uint64_t PacketsSent() const { return m_packetsSent.load(); }

protected:
    bool InitInstance() override;
    int Run() override;
    int ExitInstance() override;

private:
    // Sends the oldest captured block when the spacing allows; returns how long the thread
    // may sleep before its next pass (a put wakes it earlier).
    std::uint32_t SendAudioPass();
    bool SendToDestination(const std::uint8_t* packet, std::size_t length); // with m_lock held
    // Frames and fragments a compressed picture into m_fragmentBytes (with m_lock held).
    void FragmentVideoFrame(const BitmapInfoHeader& format, const std::uint8_t* colourTable,
                            const std::uint8_t* data, std::size_t length, bool keyFrame,
                            std::uint32_t timestamp);
    // Sends the fragments spaced out, taking m_lock only for each send: the probe, the
    // destination changes and Stop must not wait out a frame's spacing.
    void SendFragmentsSpaced();

    const int m_mode;
    CriticalSection m_lock;
    MediaSocket* m_socket;
    std::string m_destinationAddress;
    std::uint16_t m_destinationPort = 0;
    bool m_peerLearned = false;
    std::uint32_t m_ssrc;
    std::uint32_t m_sequence = 0;
    int m_audioCodecId = 0;
    int m_videoCodecId = 0;
    std::array<std::unique_ptr<AudioCodec>, 4> m_audioCodecs;
    AudioCodec* m_audioCodec = nullptr;
    std::unique_ptr<VideoCompressor> m_compressor;
    PcmBlockQueue* m_sourceQueue = nullptr;
    VideoFragmenter m_fragmenter;
    std::vector<std::uint8_t> m_packet;     // audio packet being built
    std::vector<std::uint8_t> m_compressed; // scratch for the compressor's output
    std::vector<std::uint8_t> m_frame;      // the framed picture being fragmented
    // One picture is fragmented and sent at a time; held over the spacing, taken by no other
    // path. The fragments belong to its holder: their packets one after the other, and
    // where each ends (both keep their storage from frame to frame).
    std::mutex m_videoFrameMutex;
    std::vector<std::uint8_t> m_fragmentBytes;
    std::vector<std::size_t> m_fragmentEnds;
    std::atomic<std::uint64_t> m_packetsSent{0};
    // Audio mode: set by every capture put and by Stop; the thread sleeps on it.
    Event m_wake{false, false};
    std::atomic<bool> m_quit{false};
    std::uint32_t m_nextSendTick = 0; // thread only: the earliest tick of the next packet
};

} // namespace orv
