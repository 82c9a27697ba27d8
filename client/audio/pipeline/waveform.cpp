#include "client/audio/pipeline/waveform.h"

#include "client/audio/pipeline/pcm_block_queue.h"

#include <cstring>
#include <memory>
#include <mutex>

namespace orv {
namespace {
std::mutex g_painterLock;
std::shared_ptr<WaveformPainter> g_painter;
} // namespace

std::vector<WaveformPoint> WaveformPolyline(int width, int height, const std::int16_t* samples, std::size_t count) {
    std::vector<WaveformPoint> points;
    if (width <= 0 || height <= 0 || count == 0) return points;
    const long half = (height & ~1) / 2;
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const long x = static_cast<long>(static_cast<long long>(width) * static_cast<long long>(i) / static_cast<long long>(count));
        const long y = half - half * samples[i] / 32767;
        points.push_back({static_cast<int>(x), static_cast<int>(y)});
    }
    return points;
}

void SetWaveformPainter(WaveformPainter painter) {
    std::lock_guard<std::mutex> lock(g_painterLock);
    g_painter = painter ? std::make_shared<WaveformPainter>(std::move(painter)) : nullptr;
}

void DrawWaveform(HWND window, const std::uint8_t* block) {
    if (window == 0 || !block) return;
    std::shared_ptr<WaveformPainter> painter;
    {
        std::lock_guard<std::mutex> lock(g_painterLock);
        painter = g_painter;
    }
    if (!painter) return;
    std::int16_t samples[kPcmBlockSamples];
    std::memcpy(samples, block, kPcmBlockBytes);
    (*painter)(window, samples, kPcmBlockSamples);
}

} // namespace orv
