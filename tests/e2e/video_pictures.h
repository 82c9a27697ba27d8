// Pictures for the video tests: moving Y4M clips made by ffmpeg with their frames as raw
// RGB, the PPM snapshots orvcli writes, the test pattern's reference picture, and PSNR.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv::test {

// Top-down RGB, 3 bytes a pixel.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// Makes `seconds` of the lavfi source (e.g. "testsrc2") at width x height and rate as a Y4M
// file, and the same frames as raw RGB in rgbPath. False with a reason in *error.
bool MakeClip(const std::string& source, int width, int height, int rate, double seconds, const std::string& y4mPath,
              const std::string& rgbPath, std::string* error);
// Every frame of a raw RGB file of that size.
std::vector<RgbPicture> ReadRawFrames(const std::string& path, int width, int height);
// A binary PPM (P6, 8 bits); empty on any fault.
RgbPicture ReadPpm(const std::string& path);

// Peak signal-to-noise ratio in dB over all samples (99 for equal pictures; 0 for sizes
// that differ).
double Psnr(const RgbPicture& a, const RgbPicture& b);
// The best PSNR of the picture against any of the frames, and which frame gave it.
double BestPsnr(const RgbPicture& picture, const std::vector<RgbPicture>& frames, int* index = nullptr);

// The frame number the test pattern carries in this picture; -1 when it carries none.
int PatternNumber(const RgbPicture& picture);
// The test pattern's picture of frame n at this size.
RgbPicture PatternPicture(int n, int width, int height);

} // namespace orv::test
