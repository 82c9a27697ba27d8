// Kinds of device names.
#pragma once

#include <string>

namespace orv {

bool IsWavDeviceName(const std::string& name);     // "wav:..."
bool IsExplicitAlsaName(const std::string& name);  // "alsa:PCM"
// The ALSA PCM a name stands for: "alsa:hw:1" -> "hw:1", other names unchanged.
std::string AlsaPcmName(const std::string& name);

} // namespace orv
