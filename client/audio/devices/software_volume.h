// Volumes kept in software for devices whose card has no mixer element (file and null
// devices always). 0..0xFFFF like a mixer control; 0xFFFF leaves samples untouched.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

enum class AudioDirection { Capture, Playback };

constexpr std::uint32_t kFullSoftwareVolume = 0xFFFF;

// The volume cell of a device and direction; lives for the rest of the process.
std::atomic<std::uint32_t>& SoftwareVolume(const std::string& deviceName, AudioDirection direction);

// Scales samples by volume / 0xFFFF, rounding to nearest.
void ApplySoftwareVolume(std::int16_t* samples, std::size_t count, std::uint32_t volume);

} // namespace orv
