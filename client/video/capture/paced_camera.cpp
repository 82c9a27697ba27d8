#include "client/video/capture/paced_camera.h"

#include <utility>

namespace orv {

PacedCamera::PacedCamera(const VideoFormat& format, std::shared_ptr<PacingClock> clock)
    : m_format(format), m_clock(std::move(clock)),
      m_picture(Rgb24ImageSize(format.width, format.height)) {}

void PacedCamera::RunLoop(const VideoFrameCallback& onFrame, const std::atomic<bool>& stop) {
    const double frameUs = 1e6 / m_format.frameRate;
    const auto offsetUs = [frameUs](std::uint64_t n) {
        return static_cast<std::uint64_t>(static_cast<double>(n) * frameUs);
    };
    const std::uint64_t startUs = m_clock->NowUs();
    for (std::uint64_t n = 0; !stop.load(); ++n) {
        const std::uint64_t nowUs = m_clock->NowUs();
        if (nowUs > startUs + offsetUs(n) + static_cast<std::uint64_t>(frameUs)) {
            n = static_cast<std::uint64_t>(static_cast<double>(nowUs - startUs) /
                                           frameUs); // held up: skip
        }
        const std::uint64_t dueUs = startUs + offsetUs(n);
        m_clock->WaitUntil(dueUs, stop);
        if (stop.load() || !NextPicture(m_picture.data(), n)) break;
        VideoFrame frame;
        frame.width = m_format.width;
        frame.height = m_format.height;
        frame.timestampMs = static_cast<std::uint32_t>(dueUs / 1000);
        frame.bits = m_picture.data();
        frame.length = m_picture.size();
        if (onFrame) onFrame(frame);
    }
}

} // namespace orv
