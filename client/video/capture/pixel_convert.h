// Converts camera pictures to bottom-up RGB24 at the wanted size (libswscale; MJPEG through
// libavcodec's decoder). One converter per camera; it keeps its scaler and decoder between
// frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {

// Camera pixel formats by their V4L2 four-character codes.
enum class CameraPixelFormat : std::uint32_t {
    kYuyv = 0x56595559,    // 'YUYV' packed 4:2:2
    kUyvy = 0x59565955,    // 'UYVY'
    kNv12 = 0x3231564E,    // 'NV12'
    kYuv420 = 0x32315559,  // 'YU12' planar 4:2:0 (I420)
    kYvu420 = 0x32315659,  // 'YV12'
    kYuv422p = 0x50323234, // '422P'
    kYuv444p = 0x50343434, // planar 4:4:4 (file camera)
    kGrey = 0x59455247,    // 'GREY'
    kRgb24 = 0x33424752,   // 'RGB3' top-down R, G, B
    kBgr24 = 0x33524742,   // 'BGR3' top-down B, G, R
    kMjpeg = 0x47504A4D,   // 'MJPG'
};

bool IsSupportedCameraPixelFormat(std::uint32_t fourcc);

// Bytes the scaler may read past the end of a raw picture. A caller whose buffer holds that
// many bytes after the picture (counted in the length given to Convert) saves a copy.
constexpr std::size_t kPixelConvertReadSlack = 256;

class PixelConverter {
  public:
    PixelConverter();
    ~PixelConverter();
    PixelConverter(const PixelConverter&) = delete;
    PixelConverter& operator=(const PixelConverter&) = delete;

    // Source pictures: format, size, and the bytes per line of the first plane (0 = packed
    // tightly). Destination: bottom-up RGB24 of outWidth x outHeight.
    bool Configure(CameraPixelFormat format, int width, int height, int bytesPerLine, int outWidth,
                   int outHeight, std::string& error);
    // Converts one picture; out must hold Rgb24ImageSize(outWidth, outHeight) bytes. false
    // (out untouched or partly written) when the data is too short or does not decode.
    bool Convert(const std::uint8_t* data, std::size_t length, std::uint8_t* out);

  private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace orv
