#include "client/video/capture/video_device_choice.h"

#include <algorithm>

namespace orv {

std::vector<VideoDeviceInfo> LimitVideoDevices(std::vector<VideoDeviceInfo> devices) {
    if (devices.size() <= kMaxVideoDevices) return devices;
    const auto pattern = std::find_if(devices.begin(), devices.end(), [](const VideoDeviceInfo& d) {
        return d.path == kTestPatternCameraPath;
    });
    const bool keepPattern = pattern != devices.end() &&
                             static_cast<std::size_t>(pattern - devices.begin()) >= kMaxVideoDevices;
    VideoDeviceInfo patternDevice = keepPattern ? *pattern : VideoDeviceInfo{};
    devices.resize(kMaxVideoDevices);
    if (keepPattern) devices.back() = patternDevice;
    return devices;
}

std::vector<VideoDeviceInfo> OfferedVideoDevices() {
    return LimitVideoDevices(EnumerateVideoDevices());
}

std::optional<VideoDeviceInfo> ChooseVideoDevice(const std::string& name,
                                                 const std::vector<VideoDeviceInfo>& devices) {
    if (name.rfind(kFileCameraPrefix, 0) == 0) return VideoDeviceInfo{name, name};
    for (const VideoDeviceInfo& device : devices) {
        if (device.name == name) return device;
    }
    if (devices.empty()) return std::nullopt;
    return devices.front();
}

} // namespace orv
