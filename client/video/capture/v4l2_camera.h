// A V4L2 capture device streamed through mmap buffers. The device's best format is taken
// in the order YUYV, MJPEG, NV12, YU12, UYVY, RGB3, BGR3, GREY, and converted to bottom-up
// RGB24 at the size asked for.
#pragma once

#include "client/video/capture/video_source.h"

#include <memory>
#include <string>

namespace orv {

std::unique_ptr<VideoSource> OpenV4l2Camera(const std::string& devicePath, const VideoFormat& format,
                                            std::string& error);

} // namespace orv
