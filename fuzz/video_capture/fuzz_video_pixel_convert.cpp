// Arbitrary camera pictures through the conversion to bottom-up RGB24: the first bytes pick
// the pixel format, the sizes and the line length, the rest is the picture (MJPEG included).
#include "client/video/capture/pixel_convert.h"
#include "client/video/capture/video_source.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orv;
    constexpr CameraPixelFormat kFormats[] = {
        CameraPixelFormat::kYuyv,    CameraPixelFormat::kUyvy,   CameraPixelFormat::kNv12,
        CameraPixelFormat::kYuv420,  CameraPixelFormat::kYvu420, CameraPixelFormat::kYuv422p,
        CameraPixelFormat::kYuv444p, CameraPixelFormat::kGrey,   CameraPixelFormat::kRgb24,
        CameraPixelFormat::kBgr24,   CameraPixelFormat::kMjpeg,  CameraPixelFormat::kMjpeg};
    constexpr std::size_t kControlBytes = 6;
    if (size < kControlBytes) return 0;
    const CameraPixelFormat format = kFormats[data[0] % std::size(kFormats)];
    const int width = 1 + data[1] % 128, height = 1 + data[2] % 96;
    const int bytesPerLine =
        data[3] < 128 ? 0 : width * 3 + (data[3] - 128) - 64; // may be too short
    const int outWidth = 1 + data[4] % 64, outHeight = 1 + data[5] % 48;
    PixelConverter converter;
    std::string error;
    if (!converter.Configure(format, width, height, bytesPerLine, outWidth, outHeight, error))
        return 0;
    std::vector<std::uint8_t> picture(Rgb24ImageSize(outWidth, outHeight));
    // The same converter twice: a decoder or scaler kept between pictures must stay sound.
    for (int round = 0; round < 2; ++round) {
        std::vector<std::uint8_t> input(data + kControlBytes,
                                        data + size); // exact size: over-reads show
        converter.Convert(input.data(), input.size(), picture.data());
    }
    return 0;
}
