#include "client/core/system_config_environment.h"

#include "client/audio/codecs/codec_probe.h"
#include "client/audio/devices/audio_device_list.h"
#include "client/video/devices/video_device_list.h"

namespace orv {

ConfigEnvironment SystemConfigEnvironment() {
    ConfigEnvironment environment = MachineConfigEnvironment();
    environment.captureDevices = [] {
        std::vector<SoundInputDevice> inputs;
        for (const AudioDeviceInfo& device : EnumerateCaptureDevices()) {
            inputs.push_back({device.name, device.description});
        }
        return inputs;
    };
    environment.imagingDevices = [] { return VideoDeviceNames(); };
    environment.canOpenG7231 = [] { return CanOpenG7231(); };
    return environment;
}

} // namespace orv
