// The cameras that make their pictures themselves (test pattern, file) run on this pump: at
// each frame time of the camera's rate it asks for that frame's picture and delivers it.
// When the receiver held the camera up for longer than a frame, the frames of that time are
// skipped, as a real camera drops them: a picture always shows the time it is stamped with.
#pragma once

#include "client/video/capture/threaded_camera.h"
#include "platform/pacing_clock.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

class PacedCamera : public ThreadedCamera {
  public:
    PacedCamera(const VideoFormat& format, std::shared_ptr<PacingClock> clock);

    VideoFormat Format() const override { return m_format; }

  protected:
    // Fills the picture of frame frameIndex (0 at start; indexes only grow, maybe with gaps)
    // with Rgb24ImageSize bytes of the format's size; false ends the stream (after SetError
    // when it failed). Runs on the camera thread.
    virtual bool NextPicture(std::uint8_t* out, std::uint64_t frameIndex) = 0;

  private:
    void RunLoop(const VideoFrameCallback& onFrame, const std::atomic<bool>& stop) override;
    void WakeRunLoop() override { m_clock->WakeAll(); }

    VideoFormat m_format;
    std::shared_ptr<PacingClock> m_clock;
    std::vector<std::uint8_t> m_picture;
};

} // namespace orv
