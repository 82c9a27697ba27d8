#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "client/audio/codecs/audio_codec.h"
#include "client/audio/codecs/codec_probe.h"
#include "client/audio/codecs/g7231_codec.h"

namespace orv {
namespace {

struct Expected {
    int id;
    uint8_t payloadType;
    uint32_t unit;
    uint32_t encodedOf480;
};

TEST(CodecObjects, SizeRulesPayloadTypesAndUnits) {
    const Expected expected[] = {{1, 8, 80, 240}, {2, 0, 80, 240}, {3, 4, 24, 24}, {4, 18, 10, 30}};
    for (const auto& e : expected) {
        auto codec = CreateAudioCodec(e.id);
        ASSERT_NE(codec, nullptr) << e.id;
        EXPECT_EQ(codec->PayloadType(), e.payloadType) << e.id;
        EXPECT_EQ(codec->UnitSize(), e.unit) << e.id;
        EXPECT_EQ(codec->EncodedSize(480), e.encodedOf480) << e.id;
        EXPECT_EQ(codec->PcmSize(e.encodedOf480), 480u) << e.id;
        // Integer division after the multiplication, without 32-bit overflow.
        EXPECT_EQ(codec->EncodedSize(0xFFFFFFFFu),
                  static_cast<uint32_t>(0xFFFFFFFFull * e.encodedOf480 / 480));
    }
    EXPECT_EQ(CreateAudioCodec(4)->EncodedSize(159), 9u);
    EXPECT_EQ(CreateAudioCodec(3)->PcmSize(23), 460u);
    EXPECT_EQ(CreateAudioCodec(0), nullptr);
    EXPECT_EQ(CreateAudioCodec(5), nullptr);
}

TEST(CodecObjects, EncodingA30msBlockGivesTheSizeRule) {
    ASSERT_TRUE(CanOpenG7231());
    std::vector<uint8_t> pcm(480);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<uint8_t>(i * 37);
    for (int id = 1; id <= 4; ++id) {
        auto codec = CreateAudioCodec(id);
        std::vector<uint8_t> coded(512);
        uint32_t pcmLength = 480;
        uint32_t codedLength = static_cast<uint32_t>(coded.size());
        ASSERT_EQ(codec->Encode(pcm.data(), pcmLength, coded.data(), codedLength), 0) << id;
        EXPECT_EQ(pcmLength, 480u) << id;
        EXPECT_EQ(codedLength, codec->EncodedSize(480)) << id;

        std::vector<uint8_t> decoded(480);
        uint32_t decodedLength = 480;
        ASSERT_EQ(codec->Decode(coded.data(), codedLength, decoded.data(), decodedLength), 0) << id;
        EXPECT_EQ(codedLength, codec->EncodedSize(480)) << id;
        EXPECT_EQ(decodedLength, 480u) << id;
    }
}

TEST(CodecObjects, FrameCodecsConvertOnlyWholeUnitsThatFit) {
    for (int id : {3, 4}) {
        auto codec = CreateAudioCodec(id);
        const uint32_t unit = codec->UnitSize();
        const uint32_t block = codec->PcmSize(unit);
        std::vector<uint8_t> pcm(3 * block, 0);
        std::vector<uint8_t> coded(3 * unit);
        // Room for one and a half units: one unit is produced.
        uint32_t pcmLength = 3 * block;
        uint32_t codedLength = unit + unit / 2;
        ASSERT_EQ(codec->Encode(pcm.data(), pcmLength, coded.data(), codedLength), 0);
        EXPECT_EQ(pcmLength, block);
        EXPECT_EQ(codedLength, unit);
        // A payload with a trailing partial unit decodes the whole ones only.
        uint32_t inLength = unit + 3;
        uint32_t outLength = 3 * block;
        ASSERT_EQ(codec->Decode(coded.data(), inLength, pcm.data(), outLength), 0);
        EXPECT_EQ(inLength, unit);
        EXPECT_EQ(outLength, block);
    }
}

TEST(CodecObjects, G7231DecoderKeepsWorkingAfterOtherFrameTypes) {
    // The low two bits of a G.723.1 frame give its type (6.3k, 5.3k, SID,
    // untransmitted); a peer may send any of them in a 24-byte payload.
    G7231Codec codec;
    ASSERT_TRUE(codec.IsOpen());
    std::vector<uint8_t> pcm(480);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<uint8_t>(i * 53);
    std::vector<uint8_t> good(24);
    uint32_t pcmLength = 480;
    uint32_t goodLength = 24;
    ASSERT_EQ(codec.Encode(pcm.data(), pcmLength, good.data(), goodLength), 0);
    for (int type = 0; type < 4; ++type) {
        for (int repeat = 0; repeat < 5; ++repeat) {
            std::vector<uint8_t> odd(24, static_cast<uint8_t>(0x5C + repeat));
            odd[0] = static_cast<uint8_t>((odd[0] & ~3) | type);
            uint32_t inLength = 24;
            uint32_t outLength = 480;
            codec.Decode(odd.data(), inLength, pcm.data(), outLength); // may fail; must not stall
        }
        uint32_t inLength = 24;
        uint32_t outLength = 480;
        EXPECT_EQ(codec.Decode(good.data(), inLength, pcm.data(), outLength), 0)
            << "after type " << type;
        EXPECT_EQ(outLength, 480u);
    }
}

} // namespace
} // namespace orv
