#include "client/audio/devices/software_volume.h"

#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace orv {
namespace {
std::mutex g_volumeLock;
std::map<std::pair<std::string, AudioDirection>, std::unique_ptr<std::atomic<std::uint32_t>>> g_volumes;
} // namespace

std::atomic<std::uint32_t>& SoftwareVolume(const std::string& deviceName, AudioDirection direction) {
    std::lock_guard<std::mutex> lock(g_volumeLock);
    auto& cell = g_volumes[{deviceName, direction}];
    if (!cell) cell = std::make_unique<std::atomic<std::uint32_t>>(kFullSoftwareVolume);
    return *cell;
}

void ApplySoftwareVolume(std::int16_t* samples, std::size_t count, std::uint32_t volume) {
    if (volume >= kFullSoftwareVolume) return;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t scaled = static_cast<std::int64_t>(samples[i]) * volume;
        const std::int64_t half = scaled >= 0 ? 0xFFFF / 2 : -(0xFFFF / 2);
        samples[i] = static_cast<std::int16_t>((scaled + half) / 0xFFFF);
    }
}

} // namespace orv
