// Which cameras are offered and which one a configured device name means.
#pragma once

#include "client/video/devices/video_device_list.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orv {

constexpr std::size_t kMaxVideoDevices = 10;
constexpr char kFileCameraPrefix[] = "file:";

// The first kMaxVideoDevices of the given list; the test-pattern camera, when present,
// always keeps a place (it takes the last one when the list is too long).
std::vector<VideoDeviceInfo> LimitVideoDevices(std::vector<VideoDeviceInfo> devices);
// The cameras the settings offer: LimitVideoDevices(EnumerateVideoDevices()).
std::vector<VideoDeviceInfo> OfferedVideoDevices();

// "file:..." names itself; a name in the list names that device; any other name falls back
// to the first device. Empty with an empty list.
std::optional<VideoDeviceInfo> ChooseVideoDevice(const std::string& name,
                                                 const std::vector<VideoDeviceInfo>& devices);

} // namespace orv
