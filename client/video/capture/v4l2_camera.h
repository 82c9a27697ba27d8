// A V4L2 capture device streamed through mmap buffers. The device's best format is taken
// in the order YUYV, MJPEG, NV12, YU12, UYVY, RGB3, BGR3, GREY, and converted to bottom-up
// RGB24 at the size asked for.
#pragma once

#include "client/video/capture/pixel_convert.h"
#include "client/video/capture/video_source.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {

// The format taken from those a device offers (four-character codes), in the order above.
std::optional<CameraPixelFormat>
PreferredCameraPixelFormat(const std::vector<std::uint32_t>& offered);

std::unique_ptr<VideoSource> OpenV4l2Camera(const std::string& devicePath,
                                            const VideoFormat& format, std::string& error);

} // namespace orv
