// What a call asks of the local camera. The layer that owns the camera installs the two
// entries; without them a call sends no picture of its own (it still shows the peer's).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace orv {

class CDataSendThread;

struct CallVideoCapture {
    // The call's media opened: capture at the negotiated frame rate and size index and hand
    // every frame to the video sender.
    std::function<void(double frameRate, int sizeIndex, CDataSendThread& sender)> startForCall;
    // The call's media closed: no frame goes to the sender any more, and capture goes back
    // to the configured values.
    std::function<void()> endCall;
};

// Installs the entries (empty ones remove them; that waits for an entry that runs). Both
// entries only post to the camera's thread, so they may be called under the call's media
// lock.
void InstallCallVideoCapture(CallVideoCapture capture);
void StartCallVideoCapture(double frameRate, int sizeIndex, CDataSendThread& sender);
void EndCallVideoCapture();

// Frames of the video paths, process-wide, for the front-ends' statistics.
struct VideoFrameCounters {
    std::atomic<std::uint64_t> sent{0};     // compressed and handed to the socket
    std::atomic<std::uint64_t> received{0}; // complete frames handed to the decompressor
    std::atomic<std::uint64_t> decoded{0};  // pictures decoded into a slot
    std::atomic<std::uint64_t> dropped{0};  // incomplete, unreadable or undecodable frames
};
VideoFrameCounters& TheVideoFrameCounters();

} // namespace orv
