// A camera behind one small interface. Every camera delivers its pictures as bottom-up
// RGB24 (rows from the bottom line up, bytes B, G, R, each row padded to 4 bytes like a
// bitmap) at the size it was opened with, on a thread of its own.
//
// Device names:
//   "ORV Test Pattern Camera"  the built-in moving test pattern (always present)
//   "file:PATH[,loop=1]"       a Y4M file paced in real time, optionally looped
//   any other name             a V4L2 capture device by its friendly name; a name that no
//                              longer exists falls back to the first device offered
#pragma once

#include "client/video/codec/rgb24_picture.h" // Rgb24Stride, Rgb24ImageSize

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv {

struct VideoFormat {
    int width = 320;
    int height = 240;
    double frameRate = 15.0; // frames per second
};

// One picture. The pixel memory belongs to the camera and is valid only while the
// callback runs: receivers copy what they keep.
struct VideoFrame {
    int width = 0;
    int height = 0;
    std::uint32_t timestampMs = 0; // capture time on the camera's clock, milliseconds
    const std::uint8_t* bits = nullptr;
    std::size_t length = 0; // Rgb24ImageSize(width, height)
};

using VideoFrameCallback = std::function<void(const VideoFrame&)>;

class VideoSource {
  public:
    virtual ~VideoSource() = default;
    // Size and rate of the frames delivered (the size is always the one asked for).
    virtual VideoFormat Format() const = 0;
    // Starts delivering frames to onFrame on the camera's own thread; false when the device
    // cannot stream (LastError says why). Starting a running camera answers true.
    virtual bool Start(VideoFrameCallback onFrame) = 0;
    // Stops delivery; when it returns, no callback runs any more. Safe when not started.
    virtual void Stop() = 0;
    virtual bool IsRunning() const = 0;
    virtual std::string LastError() const = 0;
};

// Opens the camera a device name means (see above) for the given size and rate. Null on
// failure with the reason in error. A size outside 16..4096 x 16..4096 or a rate outside
// 1..60 is refused.
std::unique_ptr<VideoSource> OpenVideoSource(const std::string& deviceName,
                                             const VideoFormat& format, std::string& error);

} // namespace orv
