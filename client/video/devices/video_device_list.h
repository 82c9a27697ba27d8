// The imaging devices present: V4L2 capture devices and the built-in test-pattern camera.
// The configuration stores a device by its name; capture finds the device node by name.
#pragma once

#include <string>
#include <vector>

namespace orv {

constexpr char kTestPatternCameraName[] = "ORV Test Pattern Camera";
constexpr char kTestPatternCameraPath[] = "testpattern:";

struct VideoDeviceInfo {
    std::string name; // what the configuration stores and the settings show
    std::string path; // "/dev/video0", or kTestPatternCameraPath
};

// V4L2 nodes that can capture video (in node-number order, named from
// /sys/class/video4linux/<node>/name, a repeated name gets " #2", " #3"...), then the
// test-pattern camera. sysfsFolder and devFolder are for tests.
std::vector<VideoDeviceInfo> EnumerateVideoDevices(const std::string& sysfsFolder = "/sys/class/video4linux",
                                                   const std::string& devFolder = "/dev");
std::vector<std::string> VideoDeviceNames();

} // namespace orv
