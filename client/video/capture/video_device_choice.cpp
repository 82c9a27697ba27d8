#include "client/video/capture/video_device_choice.h"

namespace orv {

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
