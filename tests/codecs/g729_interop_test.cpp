// Our G.729 against two implementations written elsewhere (bcg729 and
// libavcodec's decoder): each bitstream through each decoder, judged by
// segmental SNR against the input speech.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "client/audio/codecs/g729.h"
#include "tests/codecs/reference_g729.h"
#include "tests/codecs/speech_sample.h"

namespace orv {
namespace {

constexpr int kCodecDelay = 40;

class G729Interop : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        speech_ = testing::MakeSpeech(why);
        if (speech_.empty()) GTEST_SKIP() << why;
        speech_.resize(speech_.size() / 80 * 80);
        ours_ = EncodeOurs();
        theirs_ = EncodeBcg729();
    }

    std::vector<uint8_t> EncodeOurs() {
        G729Instance* instance = nullptr;
        EXPECT_EQ(G729Open(instance), 0);
        std::vector<uint8_t> bits(speech_.size() / 8);
        for (size_t f = 0; f < speech_.size() / 80; ++f)
            G729Encode(instance, &speech_[f * 80], &bits[f * 10]);
        G729Close(instance);
        return bits;
    }

    std::vector<uint8_t> EncodeBcg729() {
        testing::Bcg729Encoder encoder;
        std::vector<uint8_t> bits(speech_.size() / 8);
        for (size_t f = 0; f < speech_.size() / 80; ++f)
            encoder.Encode(&speech_[f * 80], &bits[f * 10]);
        return bits;
    }

    static std::vector<int16_t> DecodeOurs(const std::vector<uint8_t>& bits) {
        G729Instance* instance = nullptr;
        EXPECT_EQ(G729Open(instance), 0);
        std::vector<int16_t> pcm(bits.size() * 8);
        for (size_t f = 0; f < bits.size() / 10; ++f)
            G729Decode(instance, &bits[f * 10], &pcm[f * 80]);
        G729Close(instance);
        return pcm;
    }

    // Every frame for which lost(f) holds is decoded as an erasure.
    template <typename Lost = bool (*)(size_t)>
    static std::vector<int16_t> DecodeOurs(const std::vector<uint8_t>& bits, Lost lost) {
        G729Instance* instance = nullptr;
        EXPECT_EQ(G729Open(instance), 0);
        std::vector<int16_t> pcm(bits.size() * 8);
        for (size_t f = 0; f < bits.size() / 10; ++f) {
            G729Decode(instance, lost(f) ? nullptr : &bits[f * 10], &pcm[f * 80]);
        }
        G729Close(instance);
        return pcm;
    }

    template <typename Lost = bool (*)(size_t)>
    static std::vector<int16_t> DecodeBcg729(
        const std::vector<uint8_t>& bits, Lost lost = [](size_t) { return false; }) {
        testing::Bcg729Decoder decoder;
        std::vector<int16_t> pcm(bits.size() * 8);
        for (size_t f = 0; f < bits.size() / 10; ++f)
            decoder.Decode(lost(f) ? nullptr : &bits[f * 10], &pcm[f * 80]);
        return pcm;
    }

    static std::vector<int16_t> DecodeAv(const std::vector<uint8_t>& bits) {
        testing::AvG729Decoder decoder;
        EXPECT_TRUE(decoder.IsOpen());
        std::vector<int16_t> pcm;
        for (size_t f = 0; f < bits.size() / 10; ++f)
            EXPECT_TRUE(decoder.Decode(&bits[f * 10], pcm));
        EXPECT_EQ(pcm.size(), bits.size() * 8);
        return pcm;
    }

    double Snr(const std::vector<int16_t>& pcm, const char* path) const {
        const double snr = testing::SegmentalSnr(speech_, pcm, kCodecDelay);
        std::printf("%-32s segmental SNR %6.2f dB\n", path, snr);
        return snr;
    }

    std::vector<int16_t> speech_;
    std::vector<uint8_t> ours_;
    std::vector<uint8_t> theirs_;
};

TEST_F(G729Interop, OurBitstreamDecodesElsewhereAsWellAsTheirs) {
    const double oursByBcg = Snr(DecodeBcg729(ours_), "our encoder -> bcg729 decoder");
    const double theirsByBcg = Snr(DecodeBcg729(theirs_), "bcg729 encoder -> bcg729 decoder");
    const double oursByAv = Snr(DecodeAv(ours_), "our encoder -> libavcodec decoder");
    const double theirsByAv = Snr(DecodeAv(theirs_), "bcg729 encoder -> libavcodec decoder");
    EXPECT_GT(oursByBcg, theirsByBcg - 1.0);
    EXPECT_GT(oursByAv, theirsByAv - 1.0);
    EXPECT_GT(oursByBcg, 1.0);
}

TEST_F(G729Interop, TheirBitstreamDecodesHereAsWellAsElsewhere) {
    const double bcgByOurs = Snr(DecodeOurs(theirs_), "bcg729 encoder -> our decoder");
    const double bcgByBcg = Snr(DecodeBcg729(theirs_), "bcg729 encoder -> bcg729 decoder");
    const double bcgByAv = Snr(DecodeAv(theirs_), "bcg729 encoder -> libavcodec decoder");
    const double oursByOurs = Snr(DecodeOurs(ours_), "our encoder -> our decoder");
    EXPECT_GT(bcgByOurs, bcgByBcg - 1.0);
    EXPECT_GT(bcgByOurs, bcgByAv - 1.0);
    EXPECT_GT(oursByOurs, bcgByBcg - 1.0);
}

TEST_F(G729Interop, DecodersAgreeSampleBySampleOnOurStream) {
    // Beyond the SNR: our decoder's output tracks an independent decoder's
    // output on the same bitstream far more closely than it tracks the input.
    const double agreement = testing::SegmentalSnr(DecodeBcg729(ours_), DecodeOurs(ours_), 0);
    std::printf("our decoder against bcg729's decoder on our stream: %.2f dB\n", agreement);
    EXPECT_GT(agreement, 15.0);
}

TEST_F(G729Interop, ConcealmentOfLostFramesMatchesAnIndependentDecoder) {
    // One frame in eight lost, in a fixed pattern, from bcg729's stream.
    auto lost = [](size_t f) { return f % 8 == 5; };
    const double ours = Snr(DecodeOurs(theirs_, lost), "bcg729 encoder, 1/8 lost -> ours");
    const double theirs = Snr(DecodeBcg729(theirs_, lost), "bcg729 encoder, 1/8 lost -> bcg729");
    EXPECT_GT(ours, theirs - 1.0);
}

} // namespace
} // namespace orv
