#include "client/video/devices/video_device_list.h"

#include "platform/command_option.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace orv {

namespace {

std::mutex g_onlyLock;
std::string g_onlyDevice;

// "video12" -> 12; -1 for names that are not capture-class nodes.
int NodeNumber(const std::string& entry) {
    if (entry.rfind("video", 0) != 0 || entry.size() == 5 || entry.size() > 9) return -1;
    for (std::size_t i = 5; i < entry.size(); ++i) {
        if (entry[i] < '0' || entry[i] > '9') return -1;
    }
    return std::atoi(entry.c_str() + 5);
}

bool CanCapture(const std::string& devicePath) {
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    v4l2_capability caps{};
    const bool ok = ::ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0;
    ::close(fd);
    if (!ok) return false;
    // device_caps describes this node; capabilities the whole device.
    const std::uint32_t nodeCaps =
        (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    return (nodeCaps & V4L2_CAP_VIDEO_CAPTURE) && (nodeCaps & V4L2_CAP_STREAMING);
}

std::string ReadNodeName(const std::string& sysfsFolder, const std::string& entry) {
    std::ifstream file(sysfsFolder + "/" + entry + "/name");
    std::string name;
    std::getline(file, name);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\r')) name.pop_back();
    return name.empty() ? entry : name.substr(0, 255);
}

} // namespace

std::vector<VideoDeviceInfo> EnumerateVideoDevices(const std::string& sysfsFolder,
                                                   const std::string& devFolder) {
    std::vector<std::pair<int, std::string>> nodes;
    if (DIR* dir = ::opendir(sysfsFolder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const int number = NodeNumber(entry->d_name);
            if (number >= 0) nodes.emplace_back(number, entry->d_name);
        }
        ::closedir(dir);
    }
    std::sort(nodes.begin(), nodes.end());

    std::vector<VideoDeviceInfo> devices;
    for (const auto& [number, entry] : nodes) {
        const std::string path = devFolder + "/" + entry;
        if (!CanCapture(path)) continue;
        const std::string base = ReadNodeName(sysfsFolder, entry);
        std::string name = base;
        for (int copy = 2; std::any_of(devices.begin(), devices.end(),
                                       [&name](const VideoDeviceInfo& d) { return d.name == name; });
             ++copy) {
            name = base + " #" + std::to_string(copy);
        }
        devices.push_back({name, path});
    }
    devices.push_back({kTestPatternCameraName, kTestPatternCameraPath});
    return LimitVideoDevices(std::move(devices));
}

std::vector<VideoDeviceInfo> LimitVideoDevices(std::vector<VideoDeviceInfo> devices) {
    if (devices.size() <= kMaxVideoDevices) return devices;
    const auto pattern = std::find_if(devices.begin(), devices.end(), [](const VideoDeviceInfo& d) {
        return d.path == kTestPatternCameraPath;
    });
    const bool keepPattern = pattern != devices.end() &&
                             static_cast<std::size_t>(pattern - devices.begin()) >= kMaxVideoDevices;
    const VideoDeviceInfo patternDevice = keepPattern ? *pattern : VideoDeviceInfo{};
    devices.resize(kMaxVideoDevices);
    if (keepPattern) devices.back() = patternDevice;
    return devices;
}

void SetOnlyVideoDevice(const std::string& name) {
    std::lock_guard<std::mutex> hold(g_onlyLock);
    g_onlyDevice = name;
}

void InitOnlyVideoDevice(int& argc, char** argv) {
    std::string chosen;
    if (TakeOptionValue(argc, argv, "--video-device", "ORV_VIDEO_DEVICE", &chosen)) SetOnlyVideoDevice(chosen);
}

std::vector<std::string> VideoDeviceNames() {
    {
        std::lock_guard<std::mutex> hold(g_onlyLock);
        if (!g_onlyDevice.empty()) return {g_onlyDevice};
    }
    std::vector<std::string> names;
    for (const VideoDeviceInfo& device : EnumerateVideoDevices()) names.push_back(device.name);
    return names;
}

} // namespace orv
