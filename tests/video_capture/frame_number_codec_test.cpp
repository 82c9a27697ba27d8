// The test pattern's frame number is what the glass-to-glass measure reads from the peer's
// decoded picture: it must come through each call codec at its lowest rate, and a picture
// it cannot read must say so rather than give a wrong number.
#include "client/video/capture/test_pattern_camera.h"
#include "client/video/capture/video_size_table.h"
#include "client/video/codec/video_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace orv {
namespace {

TEST(TestPattern, FrameNumberComesThroughEveryCallCodecAtItsLowestRate) {
    constexpr int kFrames = 90;
    for (const std::uint32_t code : {kFourCCMpg4, kFourCCM263, kFourCCOrv2}) {
        for (const int sizeIndex : {0, 3}) {
            const VideoSize size = VideoSizeForIndex(sizeIndex);
            const std::string label = std::string(reinterpret_cast<const char*>(&code), 4) + " " +
                                      std::to_string(size.width);
            VideoCodec encoder, decoder;
            ASSERT_TRUE(encoder.OpenEncoder(code, false)) << label;
            ASSERT_TRUE(decoder.OpenDecoder(code)) << label;
            encoder.SetOrv2Rate(32, 15); // the least "ORV2" is given; no effect on the others
            VideoCodecFormat raw;
            raw.width = size.width;
            raw.height = size.height;
            raw.sizeImage = static_cast<std::uint32_t>(Rgb24ImageSize(size.width, size.height));
            std::vector<std::uint8_t> picture(raw.sizeImage), decoded(raw.sizeImage), data;
            int read = 0, wrong = 0;
            for (int n = 0; n < kFrames; ++n) {
                DrawTestPattern(static_cast<std::uint32_t>(n), size.width, size.height,
                                picture.data());
                VideoCodecFormat compressed, out;
                std::uint32_t flags = 0;
                ASSERT_TRUE(
                    encoder.Compress(raw, picture.data(), picture.size(), compressed, data, flags))
                    << label;
                ASSERT_TRUE(decoder.DecompressedFormat(compressed, out)) << label;
                if (!decoder.Decompress(compressed, data.data(), data.size(), out, decoded.data(),
                                        decoded.size())) {
                    continue;
                }
                const auto number = ReadTestPatternFrameNumber(
                    {size.width, size.height, 0, decoded.data(), decoded.size()});
                if (number == n) ++read;
                if (number && *number != n) ++wrong;
            }
            EXPECT_EQ(wrong, 0) << label;
            EXPECT_GE(read, kFrames * 9 / 10) << label;
            std::printf("%s: %d of %d frame numbers read\n", label.c_str(), read, kFrames);
        }
    }
}

} // namespace
} // namespace orv
