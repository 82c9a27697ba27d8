// The media side of one call, as the talk-server handler sees it: the call's two media
// sockets (audio and video), opening media once the call is answered and closing it when
// the call ends. The call signalling layer knows nothing of the media threads; a higher
// layer installs a factory that builds the real implementation (capture and playback
// queues, send and receive threads, video hand-over). Without one, a plain implementation
// binds two UDP sockets and "opens" without any threads, so that signalling runs end to
// end on its own.
//
// Contract of a CallMedia object:
// - Ownership: the talk-server handler owns it (one per call) and destroys it in its own
//   destructor, on the thread that created the handler. The destructor stops the call's
//   receive threads (at most 5000 ms each) and closes both sockets. Process-wide media
//   objects (capture and playback threads, the audio sender, the video sender) belong to
//   the implementation and outlive the call.
// - Threads: BindSockets runs once, on the thread constructing the handler. Open and Close
//   run on the user-interface, network or timer thread, always under the handler's media
//   lock, so never two at once for one call. SendOnChannel, LocalPort and the probe calls
//   may run on any thread at any time, also concurrently with Open and Close; the probe
//   calls and SendOnChannel run on the timer thread while it holds the timer list lock, so
//   they must not wait for a timer-manager operation or for the handler's media lock.
// - Lock order: the handler's media lock is taken before any lock of a media thread (Open
//   and Close are called with it held). An implementation never calls back into the
//   handler or the timer manager while it holds one of its own locks.
// - Addresses: IPv4 values are in network byte order (first octet in the lowest-addressed
//   byte, as they travel in the talk-server messages); ports are in host order.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv {

// Media channels of a call (also the channel byte of the channel announcement).
constexpr std::uint8_t kAudioChannel = 1;
constexpr std::uint8_t kVideoChannel = 2;

// Negotiated media of a call, from CallAccept or CallH323Connect: this side sends with the
// capture codecs and decodes with the play codecs.
struct CallMediaParams {
    std::uint16_t audioCaptCodec = 0;
    std::uint16_t videoCaptCodec = 0;
    std::uint16_t audioPlayCodec = 0;
    std::uint16_t videoPlayCodec = 0;
    std::uint16_t frameRate = 0;
    std::uint16_t flowRate = 0;
    std::uint16_t videoFormat = 0;
    std::uint32_t peerAudioIP = 0; // network byte order
    std::uint16_t peerAudioPort = 0;
    std::uint32_t peerVideoIP = 0; // network byte order
    std::uint16_t peerVideoPort = 0;
};

// What the media side needs to know about the call beyond the negotiated parameters.
struct CallMediaContext {
    std::uint32_t callId = 0;
    std::uint32_t endpointId = 0;   // the local EndpointID: SSRC of what this side sends
    bool conference = false;        // receive several streams (conference variant)
    bool videoSend = false;         // the owner offers video capture
    HWND remoteVideoWindow = 0;     // where decoded remote pictures are shown; 0 = none
    std::string audioDevice;        // configured sound device name; empty = no audio device
    bool echoCancel = true;         // the microphone goes through the echo canceller
};

class CallMedia {
public:
    virtual ~CallMedia() = default;

    // Creates and binds the audio and the video socket (port 0 = chosen by the system).
    // False when either cannot be bound; the handler then runs without media sockets.
    virtual bool BindSockets(std::uint16_t audioPort, std::uint16_t videoPort) = 0;
    // The bound local port of a channel's socket; 0 when it is not bound.
    virtual std::uint16_t LocalPort(std::uint8_t channel) const = 0;
    // Sends one datagram from a channel's socket (the channel announcement). Returns the
    // bytes sent, -1 on failure or when the socket is not bound.
    virtual long SendOnChannel(std::uint8_t channel, const std::uint8_t* data, std::size_t size,
                               std::uint32_t ip, std::uint16_t port) = 0;

    // Opens media with the negotiated parameters: queues, capture and playback, the audio
    // and video senders and the call's receive threads. The handler has already refused
    // parameters whose two peer addresses are both 0. Returns non-zero on success.
    virtual int Open(const CallMediaParams& params, const CallMediaContext& context) = 0;
    // Detaches this call from the process-wide media objects, sets every codec to none and
    // frees the call's queues. Safe to call when Open never ran or failed, and twice.
    virtual void Close() = 0;

    // Sends the next path probe of a channel to the peer. Returns true when a probe was sent
    // (the peer's address is not learned yet), so the handler repeats it a second later;
    // false when no probe is needed any more (address learned, media closed, no probes).
    virtual bool SendAudioProbe() = 0;
    virtual bool SendVideoProbe() = 0;

    // Whether a video compressor for this codec id opens here (the call setup offers only
    // such codecs). Media without video codecs (the plain implementation) answer false.
    virtual bool VideoCompressorOpens(int /*codecId*/) const { return false; }

    // Conference: the video of the sender with this SSRC gets a picture slot (add) or gives
    // its slot back. False when no slot fits or the media have no video receiver.
    virtual bool AssignVideoStream(std::uint32_t /*ssrc*/, bool /*add*/) { return false; }
};

// Builds the media object of a new call. Installed once at start-up by the layer that owns
// the media threads; an empty factory restores the plain implementation.
using CallMediaFactory = std::function<std::unique_ptr<CallMedia>()>;
void InstallCallMediaFactory(CallMediaFactory factory);
// A new media object from the installed factory, or the plain implementation.
std::unique_ptr<CallMedia> CreateCallMedia();
// The plain implementation: two bound UDP sockets, Open succeeds without threads, no probes.
std::unique_ptr<CallMedia> CreatePlainCallMedia();

} // namespace orv
