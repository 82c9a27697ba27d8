// The cameras that make their pictures themselves (test pattern, file) run on this pump: at
// each frame time of the camera's rate it asks for the next picture and delivers it.
#pragma once

#include "client/video/capture/threaded_camera.h"
#include "client/video/capture/video_clock.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

class PacedCamera : public ThreadedCamera {
public:
    PacedCamera(const VideoFormat& format, std::shared_ptr<VideoClock> clock);

    VideoFormat Format() const override { return m_format; }

protected:
    // Fills the next picture (Rgb24ImageSize bytes of the format's size); false ends the
    // stream (after SetError when it failed). Runs on the camera thread.
    virtual bool NextPicture(std::uint8_t* out) = 0;

private:
    void RunLoop(const VideoFrameCallback& onFrame, const std::atomic<bool>& stop) override;

    VideoFormat m_format;
    std::shared_ptr<VideoClock> m_clock;
    std::vector<std::uint8_t> m_picture;
};

} // namespace orv
