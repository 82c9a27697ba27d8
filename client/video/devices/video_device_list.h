// The imaging devices present: V4L2 capture devices and the built-in test-pattern camera.
// The configuration stores a device by its name; capture finds the device node by name.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orv {

constexpr char kTestPatternCameraName[] = "ORV Test Pattern Camera";
constexpr char kTestPatternCameraPath[] = "testpattern:";

struct VideoDeviceInfo {
    std::string name; // what the configuration stores and the settings show
    std::string path; // "/dev/video0", or kTestPatternCameraPath
};

// At most this many devices are offered.
constexpr std::size_t kMaxVideoDevices = 10;
// The first kMaxVideoDevices of the given list; the test-pattern camera, when present,
// always keeps a place (it takes the last one when the list is too long).
std::vector<VideoDeviceInfo> LimitVideoDevices(std::vector<VideoDeviceInfo> devices);

// V4L2 nodes that can capture video (in node-number order, named from
// /sys/class/video4linux/<node>/name, a repeated name gets " #2", " #3"...), then the
// test-pattern camera; at most kMaxVideoDevices in all. sysfsFolder and devFolder are for tests.
std::vector<VideoDeviceInfo> EnumerateVideoDevices(const std::string& sysfsFolder = "/sys/class/video4linux",
                                                   const std::string& devFolder = "/dev");
// Names of the devices present; only the one device of this run when one was set.
std::vector<std::string> VideoDeviceNames();

// Makes name the only video device of this run (empty = back to the real list).
void SetOnlyVideoDevice(const std::string& name);
// Takes "--video-device NAME" (or "--video-device=NAME") out of argv, else reads
// ORV_VIDEO_DEVICE; sets the only device when either is given.
void InitOnlyVideoDevice(int& argc, char** argv);

} // namespace orv
