// Device names to backends. While an only-device is set, that name is the only one that
// opens. Otherwise "null" and every "wav:" name always exist, "alsa:PCM" opens any ALSA PCM,
// and other names must be in the device list exactly, as the configuration stores them.
#include "client/audio/devices/audio_stream.h"

#include "client/audio/devices/alsa_stream.h"
#include "client/audio/devices/audio_device_list.h"
#include "client/audio/devices/device_names.h"
#include "client/audio/devices/null_device.h"
#include "client/audio/devices/wav_device.h"

#include <algorithm>

namespace orv {
namespace {

bool Listed(const std::vector<AudioDeviceInfo>& devices, const std::string& name) {
    return std::any_of(devices.begin(), devices.end(), [&](const AudioDeviceInfo& d) { return d.name == name; });
}

bool Exists(const std::string& name, bool capture) {
    if (name.empty()) return false;
    const std::vector<AudioDeviceInfo> devices = capture ? EnumerateCaptureDevices() : EnumeratePlaybackDevices();
    if (!OnlySoundDevice().empty()) return Listed(devices, name);
    return name == kNullDeviceName || IsWavDeviceName(name) || IsExplicitAlsaName(name) || Listed(devices, name);
}

} // namespace

std::unique_ptr<AudioStream> OpenCaptureStream(const std::string& name, AudioCompletion completion) {
    if (!Exists(name, true)) return nullptr;
    if (name == kNullDeviceName) return OpenNullCapture(std::move(completion));
    if (IsWavDeviceName(name)) return OpenWavCapture(name, std::move(completion));
    return OpenAlsaCapture(AlsaPcmName(name), std::move(completion));
}

bool PlaybackDeviceExists(const std::string& name) {
    return Exists(name, false);
}

std::unique_ptr<AudioStream> OpenPlaybackStream(const std::string& name, AudioCompletion completion) {
    if (!Exists(name, false)) return nullptr;
    if (name == kNullDeviceName) return OpenNullPlayback(std::move(completion));
    if (IsWavDeviceName(name)) return OpenWavPlayback(name, std::move(completion));
    return OpenAlsaPlayback(AlsaPcmName(name), std::move(completion));
}

} // namespace orv
