#pragma once

#include <cstdint>
#include <memory>

namespace orv {

// A speech codec on 16-bit mono PCM at 8000 Hz (little-endian bytes). On
// return the in/out lengths hold the bytes consumed and produced; only whole
// samples and whole coded units are converted. 0 means success.
class AudioCodec {
  public:
    explicit AudioCodec(uint8_t payloadType) : payloadType_(payloadType) {}
    virtual ~AudioCodec() = default;
    AudioCodec(const AudioCodec&) = delete;
    AudioCodec& operator=(const AudioCodec&) = delete;

    virtual int Encode(const uint8_t* pcm, uint32_t& pcmLength, uint8_t* out,
                       uint32_t& outLength) = 0;
    virtual int Decode(const uint8_t* in, uint32_t& inLength, uint8_t* pcm,
                       uint32_t& pcmLength) = 0;
    virtual uint32_t EncodedSize(uint32_t pcmBytes) const = 0;
    virtual uint32_t PcmSize(uint32_t encodedBytes) const = 0;
    virtual uint32_t UnitSize() const = 0;

    // True for a codec whose decoder carries state from frame to frame and conceals a lost
    // frame itself when told of it; its packets must be decoded in order.
    virtual bool ConcealsLoss() const { return false; }
    // Decodes pcmLength bytes (whole units) that stand for lost frames; -1 for a codec that
    // does not conceal (the receiver then conceals for it).
    virtual int DecodeErasure(uint8_t* pcm, uint32_t& pcmLength) {
        (void)pcm;
        pcmLength = 0;
        return -1;
    }

    // RTP payload type of the coded speech.
    uint8_t PayloadType() const { return payloadType_; }

  protected:
    // n * mul / div without overflow of the 32-bit product.
    static uint32_t Scale(uint32_t n, uint32_t mul, uint32_t div) {
        return static_cast<uint32_t>(static_cast<uint64_t>(n) * mul / div);
    }

  private:
    uint8_t payloadType_;
};

enum AudioCodecId : int {
    kCodecG711ALaw = 1,
    kCodecG711MuLaw = 2,
    kCodecG7231 = 3,
    kCodecG729 = 4,
};

// The codec object for a negotiated codec id, or null for an unknown id.
std::unique_ptr<AudioCodec> CreateAudioCodec(int codecId);

} // namespace orv
