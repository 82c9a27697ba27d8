// Which camera a configured device name means.
#pragma once

#include "client/video/devices/video_device_list.h"

#include <optional>
#include <string>
#include <vector>

namespace orv {

constexpr char kFileCameraPrefix[] = "file:";

// "file:..." names itself; a name in the list (the cameras EnumerateVideoDevices offers)
// names that device; any other name falls back to the first device. Empty with an empty list.
std::optional<VideoDeviceInfo> ChooseVideoDevice(const std::string& name,
                                                 const std::vector<VideoDeviceInfo>& devices);

} // namespace orv
