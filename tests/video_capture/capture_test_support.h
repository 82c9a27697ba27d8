// Pictures, files and frame collection shared by the capture tests.
#pragma once

#include "client/video/capture/pixel_convert.h"
#include "client/video/capture/video_source.h"
#include "tests/localdata/temp_folder.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace orv {

void QuietFfmpegLog();
// A JPEG of a bottom-up RGB24 picture at the given quantiser (2 fine .. 31 coarse).
std::vector<std::uint8_t> EncodeJpeg(const std::uint8_t* picture, int width, int height,
                                     int quantiser);
double Psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);
// A raw camera picture whose top half is red and bottom half blue; bytesPerLine 0 = tight.
std::vector<std::uint8_t> MakeRedOverBlue(CameraPixelFormat format, int width, int height,
                                          int bytesPerLine);
// A 4:2:0 Y4M file whose frame i is a flat grey of luma 20 + 20 i; lastFrameBytes cuts the
// last frame's planes short (0 = whole).
void WriteY4m(const std::string& path, int width, int height, const std::string& rate, int frames,
              std::size_t lastFrameBytes = 0);

// Frames seen on a camera thread: timestamps, "WxH" sizes and the green of the middle pixel.
struct FrameLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::uint32_t> timestamps;
    std::vector<std::string> sizes;
    std::vector<int> greys;

    FrameLog() = default;
    FrameLog(FrameLog&& other) noexcept;
    void Add(const VideoFrame& frame);
    std::size_t Count();
    // Waits (10 s at most) until count frames arrived or done() holds; false on time-out.
    bool WaitFor(std::size_t count, const std::function<bool()>& done = {});
};

} // namespace orv
