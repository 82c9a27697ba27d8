#include "tests/e2e/video_pictures.h"

#include "client/video/capture/test_pattern_camera.h"
#include "tests/e2e/speech_files.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>

namespace orv::test {

namespace {

// Turns the rows upside down and swaps red and blue: top-down RGB into the client's
// bottom-up BGR and back (the same operation both ways; strides in bytes).
void FlipRowsSwapRedBlue(const std::uint8_t* from, std::size_t fromStride, std::uint8_t* to, std::size_t toStride,
                         int width, int height) {
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source = from + static_cast<std::size_t>(y) * fromStride;
        std::uint8_t* target = to + static_cast<std::size_t>(height - 1 - y) * toStride;
        for (int x = 0; x < width; ++x) {
            target[x * 3] = source[x * 3 + 2];
            target[x * 3 + 1] = source[x * 3 + 1];
            target[x * 3 + 2] = source[x * 3];
        }
    }
}

} // namespace

bool MakeClip(const std::string& source, int width, int height, int rate, double seconds, const std::string& y4mPath,
              const std::string& rgbPath, std::string* error) {
    const std::string input = source + "=size=" + std::to_string(width) + "x" + std::to_string(height) +
                              ":rate=" + std::to_string(rate);
    return RunTool("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i", input, "-t", std::to_string(seconds),
                              "-pix_fmt", "yuv420p", y4mPath},
                   y4mPath + ".log", error) &&
           RunTool("ffmpeg", {"-loglevel", "error", "-y", "-i", y4mPath, "-f", "rawvideo", "-pix_fmt", "rgb24", rgbPath},
                   rgbPath + ".log", error);
}

std::vector<RgbPicture> ReadRawFrames(const std::string& path, int width, int height) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 3;
    std::vector<RgbPicture> frames;
    for (std::size_t at = 0; frameBytes != 0 && at + frameBytes <= all.size(); at += frameBytes) {
        frames.push_back({width, height, std::vector<std::uint8_t>(all.begin() + at, all.begin() + at + frameBytes)});
    }
    return frames;
}

RgbPicture ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get(); // the one blank after the header
    if (!in || magic != "P6" || maxValue != 255 || width <= 0 || height <= 0 || width > 4096 || height > 4096) {
        return {};
    }
    RgbPicture picture{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    in.read(reinterpret_cast<char*>(picture.rgb.data()), static_cast<std::streamsize>(picture.rgb.size()));
    return in ? picture : RgbPicture{};
}

double Psnr(const RgbPicture& a, const RgbPicture& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 0;
    double sum = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = static_cast<double>(a.rgb[i]) - b.rgb[i];
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(a.rgb.size());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

double BestPsnr(const RgbPicture& picture, const std::vector<RgbPicture>& frames, int* index) {
    double best = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const double value = Psnr(picture, frames[i]);
        if (value > best) {
            best = value;
            if (index != nullptr) *index = static_cast<int>(i);
        }
    }
    return best;
}

int PatternNumber(const RgbPicture& picture) {
    const std::size_t stride = Rgb24Stride(picture.width);
    std::vector<std::uint8_t> bits(stride * static_cast<std::size_t>(picture.height));
    FlipRowsSwapRedBlue(picture.rgb.data(), static_cast<std::size_t>(picture.width) * 3, bits.data(), stride,
                        picture.width, picture.height);
    VideoFrame frame;
    frame.width = picture.width;
    frame.height = picture.height;
    frame.bits = bits.data();
    frame.length = bits.size();
    const auto number = ReadTestPatternFrameNumber(frame);
    return number ? *number : -1;
}

RgbPicture PatternPicture(int n, int width, int height) {
    const std::size_t stride = Rgb24Stride(width);
    std::vector<std::uint8_t> bits(stride * static_cast<std::size_t>(height));
    DrawTestPattern(static_cast<std::uint32_t>(n), width, height, bits.data());
    RgbPicture picture{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    FlipRowsSwapRedBlue(bits.data(), stride, picture.rgb.data(), static_cast<std::size_t>(width) * 3, width, height);
    return picture;
}

} // namespace orv::test
