#include "client/video/capture/pixel_convert.h"

#include "client/video/codec/av_codec_objects.h"
#include "client/video/codec/rgb24_picture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <vector>

namespace orv {

namespace {

constexpr int kMaxSide = 8192;
constexpr int kScaleFlags = SWS_BILINEAR | SWS_ACCURATE_RND;

// Where the planes of one raw picture lie.
struct PlaneLayout {
    AVPixelFormat format = AV_PIX_FMT_NONE;
    int planes = 0;
    int stride[3] = {};
    std::size_t offset[3] = {};
    std::size_t total = 0;
};

bool PlanarChroma(CameraPixelFormat format, int width, int height, int& chromaWidth,
                  int& chromaHeight) {
    switch (format) {
    case CameraPixelFormat::kYuv420:
    case CameraPixelFormat::kYvu420:
        chromaWidth = (width + 1) / 2;
        chromaHeight = (height + 1) / 2;
        return true;
    case CameraPixelFormat::kYuv422p:
        chromaWidth = (width + 1) / 2;
        chromaHeight = height;
        return true;
    case CameraPixelFormat::kYuv444p:
        chromaWidth = width;
        chromaHeight = height;
        return true;
    default:
        return false;
    }
}

// Bytes per pixel of the single-plane formats (0 for the others).
int PackedBytesPerPixel(CameraPixelFormat format) {
    switch (format) {
    case CameraPixelFormat::kYuyv:
    case CameraPixelFormat::kUyvy:
        return 2;
    case CameraPixelFormat::kRgb24:
    case CameraPixelFormat::kBgr24:
        return 3;
    case CameraPixelFormat::kGrey:
        return 1;
    default:
        return 0;
    }
}

AVPixelFormat AvFormat(CameraPixelFormat format) {
    switch (format) {
    case CameraPixelFormat::kYuyv:
        return AV_PIX_FMT_YUYV422;
    case CameraPixelFormat::kUyvy:
        return AV_PIX_FMT_UYVY422;
    case CameraPixelFormat::kNv12:
        return AV_PIX_FMT_NV12;
    case CameraPixelFormat::kYuv420:
    case CameraPixelFormat::kYvu420:
        return AV_PIX_FMT_YUV420P;
    case CameraPixelFormat::kYuv422p:
        return AV_PIX_FMT_YUV422P;
    case CameraPixelFormat::kYuv444p:
        return AV_PIX_FMT_YUV444P;
    case CameraPixelFormat::kGrey:
        return AV_PIX_FMT_GRAY8;
    case CameraPixelFormat::kRgb24:
        return AV_PIX_FMT_RGB24;
    case CameraPixelFormat::kBgr24:
        return AV_PIX_FMT_BGR24;
    case CameraPixelFormat::kMjpeg:
        return AV_PIX_FMT_NONE;
    }
    return AV_PIX_FMT_NONE;
}

bool MakeLayout(CameraPixelFormat format, int width, int height, int bytesPerLine,
                PlaneLayout& layout) {
    layout.format = AvFormat(format);
    const auto h = static_cast<std::size_t>(height);
    if (const int bpp = PackedBytesPerPixel(format)) {
        const int stride = bytesPerLine ? bytesPerLine : width * bpp;
        if (stride < width * bpp) return false;
        layout = {layout.format, 1, {stride}, {0}, static_cast<std::size_t>(stride) * h};
        return true;
    }
    // An NV12 chroma row holds a U,V pair for every two pixels, so an odd width still
    // needs an even number of bytes per line.
    const int minStride = format == CameraPixelFormat::kNv12 ? (width + 1) / 2 * 2 : width;
    const int stride = bytesPerLine ? bytesPerLine : minStride;
    if (stride < minStride) return false;
    const std::size_t lumaBytes = static_cast<std::size_t>(stride) * h;
    if (format == CameraPixelFormat::kNv12) {
        const std::size_t chromaBytes = static_cast<std::size_t>(stride) * ((h + 1) / 2);
        layout = {layout.format, 2, {stride, stride}, {0, lumaBytes}, lumaBytes + chromaBytes};
        return true;
    }
    int chromaWidth = 0, chromaHeight = 0;
    if (!PlanarChroma(format, width, height, chromaWidth, chromaHeight)) return false;
    const int chromaStride =
        bytesPerLine ? (format == CameraPixelFormat::kYuv444p ? stride : stride / 2) : chromaWidth;
    if (chromaStride < chromaWidth) return false;
    const std::size_t chromaBytes =
        static_cast<std::size_t>(chromaStride) * static_cast<std::size_t>(chromaHeight);
    const bool swapped = format == CameraPixelFormat::kYvu420;
    layout = {layout.format,
              3,
              {stride, chromaStride, chromaStride},
              {0, lumaBytes + (swapped ? chromaBytes : 0), lumaBytes + (swapped ? 0 : chromaBytes)},
              lumaBytes + 2 * chromaBytes};
    return true;
}

// The decoder names full-range pictures by formats the scaler calls deprecated; scale them
// as the plain format with the full range set instead.
AVPixelFormat PlainFormat(AVPixelFormat format, bool& fullRange) {
    fullRange = true;
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        return AV_PIX_FMT_YUV440P;
    default:
        fullRange = false;
        return format;
    }
}

} // namespace

bool IsSupportedCameraPixelFormat(std::uint32_t fourcc) {
    const auto format = static_cast<CameraPixelFormat>(fourcc);
    return format == CameraPixelFormat::kMjpeg || AvFormat(format) != AV_PIX_FMT_NONE;
}

struct PixelConverter::State {
    CameraPixelFormat format = CameraPixelFormat::kYuyv;
    int width = 0, height = 0, outWidth = 0, outHeight = 0;
    PlaneLayout layout;
    SwsContext* scaler = nullptr;
    AVCodecContext* decoder = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* decoded = nullptr;
    std::vector<std::uint8_t> scratch; // scaler output, top-down
    std::vector<std::uint8_t> input;   // copy of a raw picture with no slack after it

    ~State() { Release(); }
    void Release() {
        sws_freeContext(scaler);
        scaler = nullptr;
        FreeCodecObjects(&decoder, &decoded, &packet);
    }
    bool Scale(const std::uint8_t* const planes[], const int strides[], int srcHeight,
               std::uint8_t* out) {
        return ScaleToBottomUpRgb24(scaler, planes, strides, srcHeight, outWidth, outHeight,
                                    scratch, out);
    }
};

PixelConverter::PixelConverter() : m_state(std::make_unique<State>()) {}
PixelConverter::~PixelConverter() = default;

bool PixelConverter::Configure(CameraPixelFormat format, int width, int height, int bytesPerLine,
                               int outWidth, int outHeight, std::string& error) {
    State& s = *m_state;
    s.Release();
    s.input.clear(); // a copy's slack is zero from its first use
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide || outWidth < 1 ||
        outHeight < 1 || outWidth > kMaxSide || outHeight > kMaxSide || bytesPerLine < 0) {
        error = "picture size out of range";
        return false;
    }
    s.format = format;
    s.width = width;
    s.height = height;
    s.outWidth = outWidth;
    s.outHeight = outHeight;
    if (format == CameraPixelFormat::kMjpeg) {
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
        if (!codec || !AllocateCodecObjects(codec, &s.decoder, &s.decoded, &s.packet)) {
            error = "no MJPEG decoder";
            return false;
        }
        s.decoder->thread_count = 1;
        if (avcodec_open2(s.decoder, codec, nullptr) < 0) {
            error = "cannot open the MJPEG decoder";
            return false;
        }
        return true;
    }
    if (!IsSupportedCameraPixelFormat(static_cast<std::uint32_t>(format)) ||
        !MakeLayout(format, width, height, bytesPerLine, s.layout)) {
        error = "unsupported pixel format or line length";
        return false;
    }
    s.scaler = sws_getContext(width, height, s.layout.format, outWidth, outHeight, AV_PIX_FMT_BGR24,
                              kScaleFlags, nullptr, nullptr, nullptr);
    if (!s.scaler) {
        error = "cannot convert this pixel format";
        return false;
    }
    return true;
}

bool PixelConverter::Convert(const std::uint8_t* data, std::size_t length, std::uint8_t* out) {
    State& s = *m_state;
    if (data == nullptr || out == nullptr) return false;
    if (s.decoder) {
        if (length > (64u << 20) || SendPaddedPacket(s.decoder, s.packet, data, length) < 0) return false;
        if (avcodec_receive_frame(s.decoder, s.decoded) < 0) return false;
        const AVFrame& f = *s.decoded;
        if (f.width < 1 || f.height < 1 || f.width > kMaxSide || f.height > kMaxSide) return false;
        bool fullRange = false;
        const AVPixelFormat format = PlainFormat(static_cast<AVPixelFormat>(f.format), fullRange);
        fullRange = fullRange || f.color_range == AVCOL_RANGE_JPEG;
        s.scaler =
            sws_getCachedContext(s.scaler, f.width, f.height, format, s.outWidth, s.outHeight,
                                 AV_PIX_FMT_BGR24, kScaleFlags, nullptr, nullptr, nullptr);
        if (s.scaler && fullRange) {
            const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
            sws_setColorspaceDetails(s.scaler, coefficients, 1, coefficients, 1, 0, 1 << 16,
                                     1 << 16);
        }
        const bool ok = s.scaler && s.Scale(f.data, f.linesize, f.height, out);
        av_frame_unref(s.decoded);
        return ok;
    }
    if (!s.scaler || length < s.layout.total) return false;
    // The scaler reads rows in wide steps and may pass the last byte of a picture that ends
    // exactly at a device buffer's end: such a picture is read from a zero-padded copy.
    const std::uint8_t* source = data;
    if (length < s.layout.total + kPixelConvertReadSlack) {
        s.input.resize(s.layout.total + kPixelConvertReadSlack); // the slack stays zero
        std::memcpy(s.input.data(), data, s.layout.total);
        source = s.input.data();
    }
    const std::uint8_t* planes[4] = {};
    int strides[4] = {};
    for (int i = 0; i < s.layout.planes; ++i) {
        planes[i] = source + s.layout.offset[i];
        strides[i] = s.layout.stride[i];
    }
    return s.Scale(planes, strides, s.height, out);
}

} // namespace orv
