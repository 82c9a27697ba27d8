// The installed codecs through the media paths' frame handling: compressor -> frame with
// its 40-byte header -> 512-byte fragments -> reassembly -> decompressor, for each codec id.
#include "client/media/video_codec_install.h"
#include "client/media/video_codec_plug.h"
#include "client/media/video_fragmenter.h"
#include "client/media/video_reassembly.h"
#include "client/video/codec/rgb24_picture.h"
#include "client/video/codec/video_codec.h"
#include "tests/video_codec/moving_picture.h"
#include "wire/media_header.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(VideoCodecInstall, FramesCrossFragmentationAndReassemblyForEachCodecId) {
    InstallVideoCodecs();
    EXPECT_EQ(OpenVideoCompressor(4), nullptr);
    for (int codecId = 1; codecId <= 3; ++codecId) {
        SCOPED_TRACE(codecId);
        std::unique_ptr<VideoCompressor> compressor = OpenVideoCompressor(codecId);
        std::unique_ptr<VideoDecompressor> decompressor = OpenVideoDecompressor(codecId);
        ASSERT_TRUE(compressor && decompressor);
        compressor->SetRate(256, 15);
        BitmapInfoHeader raw;
        raw.biWidth = 352;
        raw.biHeight = 288;
        raw.biBitCount = 24;
        raw.biSizeImage = static_cast<std::uint32_t>(Rgb24Stride(352) * 288);

        VideoFragmenter fragmenter(0);
        VideoReassembly reassembly;
        std::uint32_t sequence = 0;
        std::vector<std::uint8_t> frame;
        std::vector<std::uint8_t> delivered;
        std::vector<std::uint8_t> picture;
        int shown = 0;
        double worst = 99;
        for (int i = 0; i <= 20; ++i) {
            const std::vector<std::uint8_t> bits = test::MovingPicture(352, 288, i);
            BitmapInfoHeader format;
            std::vector<std::uint8_t> data;
            bool keyFrame = false;
            ASSERT_TRUE(compressor->Compress(raw, bits.data(), bits.size(), format, data, keyFrame));
            EXPECT_EQ(format.biCompression, VideoCodecFourCC(codecId));
            if (i == 0) {
                EXPECT_TRUE(keyFrame);
            }
            BuildVideoFrame(format, nullptr, data.data(), data.size(), keyFrame, frame);
            fragmenter.Send(frame.data(), frame.size(), 1000u + static_cast<std::uint32_t>(i) * 66, 1, sequence,
                            [&](const std::uint8_t* packet, std::size_t length) {
                                // A frame is complete when the next one starts.
                                MediaHeader header;
                                ASSERT_TRUE(UnpackMediaHeader(packet, length, header));
                                ASSERT_LE(length, kMediaHeaderBytes + 512);
                                if (!reassembly.Add(header.timestamp, header.sequence, packet + kMediaHeaderBytes,
                                                    length - kMediaHeaderBytes, delivered)) {
                                    return;
                                }
                                BitmapInfoHeader compressed;
                                BitmapInfoHeader decoded;
                                ASSERT_TRUE(ReadBitmapInfoHeader(delivered.data(), delivered.size(), compressed));
                                ASSERT_TRUE(decompressor->OutputFormat(compressed, decoded));
                                picture.assign(decoded.biSizeImage, 0);
                                ASSERT_TRUE(decompressor->Decompress(delivered.data(), delivered.size(), decoded,
                                                                     picture.data()));
                                worst = std::min(worst, test::PictureSnr(picture, test::MovingPicture(352, 288, shown),
                                                                         352, 288));
                                ++shown;
                            });
        }
        EXPECT_EQ(shown, 20);
        EXPECT_GT(worst, 22.0);
    }
}

} // namespace
} // namespace orv
