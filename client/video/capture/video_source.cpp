#include "client/video/capture/video_source.h"

#include "client/video/capture/file_camera.h"
#include "client/video/capture/test_pattern_camera.h"
#include "client/video/capture/v4l2_camera.h"
#include "client/video/capture/video_device_choice.h"

namespace orv {

namespace {
constexpr int kMinSide = 16;
constexpr int kMaxSide = 4096;
constexpr double kMinRate = 1.0;
constexpr double kMaxRate = 60.0;
} // namespace

std::unique_ptr<VideoSource> OpenVideoSource(const std::string& deviceName,
                                             const VideoFormat& format, std::string& error) {
    if (format.width < kMinSide || format.width > kMaxSide || format.height < kMinSide ||
        format.height > kMaxSide ||
        !(format.frameRate >= kMinRate && format.frameRate <= kMaxRate)) {
        error = "video format out of range";
        return nullptr;
    }
    FileCameraSetting fileSetting;
    if (ParseFileCameraName(deviceName, fileSetting)) return OpenFileCamera(fileSetting, format, error);
    if (deviceName.rfind(kFileCameraPrefix, 0) == 0) {
        error = "file camera without a file name";
        return nullptr;
    }
    const auto device = ChooseVideoDevice(deviceName, EnumerateVideoDevices());
    if (!device) {
        error = "no video capture device";
        return nullptr;
    }
    if (device->path == kTestPatternCameraPath) return OpenTestPatternCamera(format);
    return OpenV4l2Camera(device->path, format, error);
}

} // namespace orv
