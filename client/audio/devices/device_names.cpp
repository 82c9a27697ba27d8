#include "client/audio/devices/device_names.h"

namespace orv {
namespace {
constexpr char kAlsaPrefix[] = "alsa:";
bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}
} // namespace

bool IsWavDeviceName(const std::string& name) { return StartsWith(name, "wav:"); }

bool IsExplicitAlsaName(const std::string& name) {
    return StartsWith(name, kAlsaPrefix) && name.size() > sizeof(kAlsaPrefix) - 1;
}

std::string AlsaPcmName(const std::string& name) {
    return IsExplicitAlsaName(name) ? name.substr(sizeof(kAlsaPrefix) - 1) : name;
}

} // namespace orv
