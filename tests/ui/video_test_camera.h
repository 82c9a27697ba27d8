// The camera the video window tests run: the built-in test pattern, 320 x 240 at 15 fps,
// through the real camera thread and render filter.
#pragma once

#include "client/video/control/video_ctl_thread.h"
#include "client/video/devices/video_device_list.h"

namespace orv {

inline VideoCaptureSettings PatternCameraSettings() {
    VideoCaptureSettings settings;
    settings.deviceCount = 1;
    settings.videoQuality = 5;
    settings.frameRate = 15;
    settings.sizeIndex = 2;
    settings.device = kTestPatternCameraName;
    return settings;
}

} // namespace orv
