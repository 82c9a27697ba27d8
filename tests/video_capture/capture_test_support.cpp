#include "tests/video_capture/capture_test_support.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <chrono>
#include <cmath>
#include <fstream>

namespace orv {

void QuietFfmpegLog() {
    av_log_set_level(AV_LOG_ERROR);
}

std::vector<std::uint8_t> EncodeJpeg(const std::uint8_t* picture, int width, int height,
                                     int quantiser) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->width = width;
    context->height = height;
    context->pix_fmt = AV_PIX_FMT_YUVJ420P;
    context->time_base = {1, 15};
    context->flags |= AV_CODEC_FLAG_QSCALE;
    std::vector<std::uint8_t> jpeg;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    frame->format = context->pix_fmt;
    frame->width = width;
    frame->height = height;
    if (avcodec_open2(context, codec, nullptr) == 0 && av_frame_get_buffer(frame, 0) == 0) {
        SwsContext* scaler =
            sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, AV_PIX_FMT_YUVJ420P,
                           SWS_BILINEAR, nullptr, nullptr, nullptr);
        const int stride = static_cast<int>(Rgb24Stride(width));
        const std::uint8_t* source[4] = {picture + static_cast<std::size_t>(stride) * (height - 1)};
        const int sourceStride[4] = {-stride};
        sws_scale(scaler, source, sourceStride, 0, height, frame->data, frame->linesize);
        sws_freeContext(scaler);
        frame->quality = FF_QP2LAMBDA * quantiser;
        frame->pts = 0;
        if (avcodec_send_frame(context, frame) == 0 &&
            avcodec_receive_packet(context, packet) == 0) {
            jpeg.assign(packet->data, packet->data + packet->size);
        }
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
    return jpeg;
}

double Psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    double squares = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        squares += d * d;
    }
    const double mse = squares / static_cast<double>(a.size());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::vector<std::uint8_t> MakeRedOverBlue(CameraPixelFormat format, int width, int height,
                                          int bytesPerLine) {
    // BT.601 studio-range values of pure red and pure blue.
    const auto y = [height](int row) {
        return static_cast<std::uint8_t>(row < height / 2 ? 81 : 41);
    };
    const auto u = [height](int row) {
        return static_cast<std::uint8_t>(row < height / 2 ? 90 : 240);
    };
    const auto v = [height](int row) {
        return static_cast<std::uint8_t>(row < height / 2 ? 240 : 110);
    };
    const auto w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    std::vector<std::uint8_t> raw;
    if (format == CameraPixelFormat::kYuyv || format == CameraPixelFormat::kUyvy) {
        const std::size_t stride = bytesPerLine ? static_cast<std::size_t>(bytesPerLine) : w * 2;
        raw.assign(stride * h, 0);
        const bool yFirst = format == CameraPixelFormat::kYuyv;
        for (int row = 0; row < height; ++row) {
            for (std::size_t x = 0; x < w; x += 2) {
                std::uint8_t* p = &raw[stride * static_cast<std::size_t>(row) + x * 2];
                const std::uint8_t quad[4] = {y(row), u(row), y(row), v(row)};
                const std::uint8_t swapped[4] = {u(row), y(row), v(row), y(row)};
                std::copy_n(yFirst ? quad : swapped, 4, p);
            }
        }
        return raw;
    }
    const std::size_t stride = bytesPerLine ? static_cast<std::size_t>(bytesPerLine) : w;
    const bool nv12 = format == CameraPixelFormat::kNv12;
    const std::size_t chromaRows = format == CameraPixelFormat::kYuv422p ? h : h / 2;
    const std::size_t chromaStride = nv12 ? stride : stride / 2;
    raw.assign(stride * h + (nv12 ? 1 : 2) * chromaStride * chromaRows, 0);
    for (std::size_t row = 0; row < h; ++row)
        std::fill_n(&raw[row * stride], w, y(static_cast<int>(row)));
    std::uint8_t* chroma = raw.data() + stride * h;
    const bool vFirst = format == CameraPixelFormat::kYvu420;
    for (std::size_t row = 0; row < chromaRows; ++row) {
        const int lumaRow = static_cast<int>(row * h / chromaRows);
        for (std::size_t x = 0; x < w / 2; ++x) {
            if (nv12) {
                chroma[row * stride + 2 * x] = u(lumaRow);
                chroma[row * stride + 2 * x + 1] = v(lumaRow);
            } else {
                chroma[row * chromaStride + x] = vFirst ? v(lumaRow) : u(lumaRow);
                chroma[chromaStride * chromaRows + row * chromaStride + x] =
                    vFirst ? u(lumaRow) : v(lumaRow);
            }
        }
    }
    return raw;
}

void WriteY4m(const std::string& path, int width, int height, const std::string& rate, int frames,
              std::size_t lastFrameBytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << "YUV4MPEG2 W" << width << " H" << height << " F" << rate << " Ip A1:1 C420jpeg\n";
    const std::size_t luma = static_cast<std::size_t>(width) * height;
    for (int i = 0; i < frames; ++i) {
        std::vector<std::uint8_t> planes(luma, static_cast<std::uint8_t>(20 + 20 * i));
        planes.resize(luma * 3 / 2, 128);
        if (i == frames - 1 && lastFrameBytes) planes.resize(lastFrameBytes);
        file << "FRAME\n";
        file.write(reinterpret_cast<const char*>(planes.data()),
                   static_cast<std::streamsize>(planes.size()));
    }
}

FrameLog::FrameLog(FrameLog&& other) noexcept {
    std::lock_guard lock(other.mutex);
    timestamps = std::move(other.timestamps);
    sizes = std::move(other.sizes);
    greys = std::move(other.greys);
}

void FrameLog::Add(const VideoFrame& frame) {
    const std::size_t middle =
        Rgb24Stride(frame.width) * static_cast<std::size_t>(frame.height / 2) +
        static_cast<std::size_t>(frame.width / 2) * 3;
    {
        std::lock_guard lock(mutex);
        timestamps.push_back(frame.timestampMs);
        sizes.push_back(std::to_string(frame.width) + "x" + std::to_string(frame.height));
        greys.push_back(middle + 1 < frame.length ? frame.bits[middle + 1] : -1);
    }
    changed.notify_all();
}

std::size_t FrameLog::Count() {
    std::lock_guard lock(mutex);
    return sizes.size();
}

bool FrameLog::WaitFor(std::size_t count, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::unique_lock lock(mutex);
    while (sizes.size() < count && !(done && done())) {
        if (changed.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                            std::chrono::milliseconds(10))) ==
                std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
    }
    return true;
}

} // namespace orv
