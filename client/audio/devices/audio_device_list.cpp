// The sound device list: ALSA's PCM names with their descriptions, or the one device the
// command line or the environment made the only one for this run.
#include "client/audio/devices/audio_device_list.h"

#include "client/audio/devices/alsa_errors.h"
#include "platform/command_option.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace orv {
namespace {

std::mutex g_onlyLock;
std::string g_onlyDevice;

std::string TakeHint(void* hint, const char* id) {
    char* value = snd_device_name_get_hint(hint, id);
    if (!value) return {};
    std::string text(value);
    std::free(value);
    return text;
}

// ALSA descriptions are two lines ("card, device"); one line reads better in a list.
std::string OneLine(std::string text) {
    for (std::size_t pos = text.find('\n'); pos != std::string::npos; pos = text.find('\n', pos))
        text.replace(pos, 1, ", ");
    return text;
}

// IOID is "Input", "Output" or absent (both directions).
std::vector<AudioDeviceInfo> AlsaPcmDevices(const char* excludedDirection) {
    std::vector<AudioDeviceInfo> devices;
    RouteAlsaErrorsToLog();
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return devices;
    for (void** hint = hints; *hint; ++hint) {
        std::string name = TakeHint(*hint, "NAME");
        if (name.empty() || TakeHint(*hint, "IOID") == excludedDirection) continue;
        devices.push_back({name, OneLine(TakeHint(*hint, "DESC"))});
    }
    snd_device_name_free_hint(hints);
    return devices;
}

std::vector<AudioDeviceInfo> DeviceList(const char* excludedDirection) {
    {
        std::lock_guard<std::mutex> lock(g_onlyLock);
        if (!g_onlyDevice.empty()) return {{g_onlyDevice, g_onlyDevice}};
    }
    return AlsaPcmDevices(excludedDirection);
}

} // namespace

std::vector<AudioDeviceInfo> EnumerateCaptureDevices() { return DeviceList("Output"); }

std::vector<AudioDeviceInfo> EnumeratePlaybackDevices() { return DeviceList("Input"); }

void SetOnlySoundDevice(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_onlyLock);
    g_onlyDevice = name;
}

std::string OnlySoundDevice() {
    std::lock_guard<std::mutex> lock(g_onlyLock);
    return g_onlyDevice;
}

void InitOnlySoundDevice(int& argc, char** argv) {
    std::string chosen;
    if (TakeOptionValue(argc, argv, "--audio-device", "ORV_AUDIO_DEVICE", &chosen)) SetOnlySoundDevice(chosen);
}

} // namespace orv
