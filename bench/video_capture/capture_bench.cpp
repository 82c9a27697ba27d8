// What one captured frame costs before it reaches the render filter: a webcam's YUYV and
// MJPEG pictures at 640 x 480 converted to CIF bottom-up RGB24, beside a plain libswscale
// call into a top-down buffer with the same settings (the baseline our layer must stay near),
// and drawing the test pattern.
#include "client/video/capture/pixel_convert.h"
#include "client/video/capture/test_pattern_camera.h"
#include "client/video/capture/video_source.h"
#include "tests/video_capture/capture_test_support.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace orv;

constexpr int kCamW = 640, kCamH = 480, kCifW = 352, kCifH = 288;

std::vector<std::uint8_t> Yuyv() {
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(kCamW) * kCamH * 2);
    for (std::size_t i = 0; i < raw.size(); ++i)
        raw[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 9));
    return raw;
}

// Converts one 640 x 480 camera picture to CIF over and over.
void ConvertToCif(benchmark::State& state, CameraPixelFormat format,
                  const std::vector<std::uint8_t>& picture) {
    PixelConverter converter;
    std::string error;
    if (!converter.Configure(format, kCamW, kCamH, 0, kCifW, kCifH, error))
        state.SkipWithError(error.c_str());
    std::vector<std::uint8_t> out(Rgb24ImageSize(kCifW, kCifH));
    for (auto _ : state)
        benchmark::DoNotOptimize(converter.Convert(picture.data(), picture.size(), out.data()));
}

void BM_YuyvToCifRgb(benchmark::State& state) {
    ConvertToCif(state, CameraPixelFormat::kYuyv, Yuyv());
}
BENCHMARK(BM_YuyvToCifRgb);

void BM_PlainSwscaleYuyvToCif(benchmark::State& state) {
    const auto raw = Yuyv();
    SwsContext* scaler =
        sws_getContext(kCamW, kCamH, AV_PIX_FMT_YUYV422, kCifW, kCifH, AV_PIX_FMT_BGR24,
                       SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(kCifW) * 3 * (kCifH + 1));
    const std::uint8_t* src[4] = {raw.data()};
    const int srcStride[4] = {kCamW * 2};
    std::uint8_t* dst[4] = {out.data()};
    const int dstStride[4] = {kCifW * 3};
    for (auto _ : state)
        benchmark::DoNotOptimize(sws_scale(scaler, src, srcStride, 0, kCamH, dst, dstStride));
    sws_freeContext(scaler);
}
BENCHMARK(BM_PlainSwscaleYuyvToCif);

// A camera-like JPEG: the test pattern at 640 x 480 through libavcodec's encoder.
std::vector<std::uint8_t> Jpeg() {
    std::vector<std::uint8_t> picture(Rgb24ImageSize(kCamW, kCamH));
    DrawTestPattern(7, kCamW, kCamH, picture.data());
    QuietFfmpegLog();
    return EncodeJpeg(picture.data(), kCamW, kCamH, 4);
}

void BM_MjpegToCifRgb(benchmark::State& state) {
    ConvertToCif(state, CameraPixelFormat::kMjpeg, Jpeg());
}
BENCHMARK(BM_MjpegToCifRgb);

void BM_DrawTestPatternCif(benchmark::State& state) {
    std::vector<std::uint8_t> picture(Rgb24ImageSize(kCifW, kCifH));
    std::uint32_t number = 0;
    for (auto _ : state) {
        DrawTestPattern(number++, kCifW, kCifH, picture.data());
        benchmark::DoNotOptimize(picture.data());
    }
}
BENCHMARK(BM_DrawTestPatternCif);

} // namespace

BENCHMARK_MAIN();
