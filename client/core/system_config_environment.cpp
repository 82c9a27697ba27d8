#include "client/core/system_config_environment.h"

#include "client/audio/codecs/codec_probe.h"
#include "client/audio/devices/audio_device_list.h"
#include "client/data/autostart_entry.h"
#include "client/video/devices/video_device_list.h"
#include "platform/paths.h"

#include <cstdlib>

namespace orv {

namespace {

// The locale that names the message language: LC_ALL, then LC_MESSAGES, then LANG.
std::string MessageLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && value[0]) return value;
    }
    return "";
}

} // namespace

ConfigEnvironment SystemConfigEnvironment() {
    ConfigEnvironment environment;
    environment.programFolder = ProgramFolder();
    environment.homeFolder = HomeFolder();
    environment.moduleName = ModuleName();
    environment.autostartFolder = DefaultAutostartFolder();
    environment.locale = MessageLocale();
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
