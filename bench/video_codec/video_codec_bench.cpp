// Encode + decode of one CIF frame per codec: through VideoCodec (bottom-up RGB24 in and
// out) beside a plain libavcodec loop with the same encoder settings and the same colour
// conversions, which is what the layer costs at the least.
#include "client/video/codec/av_encoder.h"
#include "client/video/codec/rgb24_picture.h"
#include "client/video/codec/video_codec.h"
#include "tests/video_codec/moving_picture.h"

#include <benchmark/benchmark.h>

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace orv {
namespace {

constexpr int kWidth = 352;
constexpr int kHeight = 288;
constexpr int kPictures = 30;

const std::vector<std::vector<std::uint8_t>>& Pictures() {
    static const std::vector<std::vector<std::uint8_t>> pictures = [] {
        std::vector<std::vector<std::uint8_t>> made;
        for (int i = 0; i < kPictures; ++i) made.push_back(test::MovingPicture(kWidth, kHeight, i));
        return made;
    }();
    return pictures;
}

std::uint32_t Code(const benchmark::State& state) { return VideoCodecFourCC(static_cast<int>(state.range(0))); }

void BM_VideoCodecLayer(benchmark::State& state) {
    const std::uint32_t code = Code(state);
    VideoCodec encoder;
    VideoCodec decoder;
    encoder.OpenEncoder(code, false);
    encoder.SetOrv2Rate(256, 15);
    decoder.OpenDecoder(code);
    VideoCodecFormat raw;
    raw.width = kWidth;
    raw.height = kHeight;
    raw.sizeImage = static_cast<std::uint32_t>(Rgb24Stride(kWidth) * kHeight);
    VideoCodecFormat compressed;
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> picture(raw.sizeImage);
    std::uint32_t flags = 0;
    std::size_t n = 0;
    for (auto _ : state) {
        const std::vector<std::uint8_t>& bits = Pictures()[n++ % kPictures];
        if (!encoder.Compress(raw, bits.data(), bits.size(), compressed, data, flags) ||
            !decoder.Decompress(compressed, data.data(), data.size(), raw, picture.data(), picture.size())) {
            state.SkipWithError("codec failed");
            break;
        }
    }
}

// The same work written straight against libavcodec and libswscale.
void BM_PlainLibavcodec(benchmark::State& state) {
    const std::uint32_t code = Code(state);
    EncoderSettings settings;
    settings.fourCC = code;
    settings.width = kWidth;
    settings.height = kHeight;
    settings.bitRateKbps = code == kFourCCOrv2 ? 256 : static_cast<int>(0.14 * kWidth * kHeight * 15 / 1000);
    settings.minQuantiser = code == kFourCCMpg4 ? 2.890625f : 2.0f;
    const AVCodec* encoderCodec = FindVideoEncoder(code, kWidth, kHeight);
    const AVCodec* decoderCodec = avcodec_find_decoder(
        code == kFourCCMpg4 ? AV_CODEC_ID_MPEG4 : code == kFourCCOrv2 ? AV_CODEC_ID_H264 : AV_CODEC_ID_H263);
    AVCodecContext* encoder = avcodec_alloc_context3(encoderCodec);
    AVDictionary* options = nullptr;
    ConfigureEncoder(encoder, &options, settings);
    avcodec_open2(encoder, encoderCodec, &options);
    av_dict_free(&options);
    AVCodecContext* decoder = avcodec_alloc_context3(decoderCodec);
    decoder->thread_count = 1;
    decoder->flags |= AV_CODEC_FLAG_LOW_DELAY;
    avcodec_open2(decoder, decoderCodec, nullptr);
    AVFrame* frame = av_frame_alloc();
    frame->width = kWidth;
    frame->height = kHeight;
    frame->format = AV_PIX_FMT_YUV420P;
    av_frame_get_buffer(frame, 0);
    AVFrame* decoded = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    SwsContext* in = sws_getContext(kWidth, kHeight, AV_PIX_FMT_BGR24, kWidth, kHeight, AV_PIX_FMT_YUV420P,
                                    SWS_BILINEAR, nullptr, nullptr, nullptr);
    SwsContext* out = sws_getContext(kWidth, kHeight, AV_PIX_FMT_YUV420P, kWidth, kHeight, AV_PIX_FMT_BGR24,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
    std::vector<std::uint8_t> picture(Rgb24Stride(kWidth) * kHeight + 64);
    const int stride = static_cast<int>(Rgb24Stride(kWidth));
    std::int64_t n = 0;
    for (auto _ : state) {
        const std::uint8_t* source[1] = {Pictures()[static_cast<std::size_t>(n % kPictures)].data()};
        av_frame_make_writable(frame);
        sws_scale(in, source, &stride, 0, kHeight, frame->data, frame->linesize);
        frame->pict_type = n % 120 == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        frame->pts = n++;
        std::uint8_t* target[1] = {picture.data()};
        if (avcodec_send_frame(encoder, frame) < 0 || avcodec_receive_packet(encoder, packet) < 0 ||
            avcodec_send_packet(decoder, packet) < 0 || avcodec_receive_frame(decoder, decoded) < 0) {
            state.SkipWithError("libavcodec failed");
            break;
        }
        sws_scale(out, decoded->data, decoded->linesize, 0, kHeight, target, &stride);
        av_packet_unref(packet);
        av_frame_unref(decoded);
    }
    sws_freeContext(in);
    sws_freeContext(out);
    av_packet_free(&packet);
    av_frame_free(&decoded);
    av_frame_free(&frame);
    avcodec_free_context(&decoder);
    avcodec_free_context(&encoder);
}

// What the layer adds to the plain loop per frame, alone: turning the rows round on the way
// in and on the way out (the scaler works on top-down padded copies).
void BM_RowOrderCopies(benchmark::State& state) {
    const std::size_t stride = Rgb24Stride(kWidth);
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>((kWidth * 3 + 63) & ~63) * kHeight);
    std::vector<std::uint8_t> out(stride * kHeight);
    const std::size_t scratchStride = scratch.size() / kHeight;
    for (auto _ : state) {
        const std::vector<std::uint8_t>& bits = Pictures()[0];
        for (int pass = 0; pass < 2; ++pass) {
            for (int y = 0; y < kHeight; ++y) {
                std::memcpy(pass == 0 ? scratch.data() + scratchStride * static_cast<std::size_t>(y)
                                      : out.data() + stride * static_cast<std::size_t>(kHeight - 1 - y),
                            pass == 0 ? bits.data() + stride * static_cast<std::size_t>(kHeight - 1 - y)
                                      : scratch.data() + scratchStride * static_cast<std::size_t>(y),
                            static_cast<std::size_t>(kWidth) * 3);
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_RowOrderCopies)->Unit(benchmark::kMicrosecond);

// Argument: codec id (1 "MPG4", 2 "ORV2", 3 "M263").
BENCHMARK(BM_VideoCodecLayer)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLibavcodec)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace orv

BENCHMARK_MAIN();
