// Simple-mixer elements of the sound card that holds an ALSA PCM: the playback volume, the
// capture volume and the capture source. Volumes are 0..0xFFFF spread linearly over the
// element's own range.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

typedef struct _snd_mixer snd_mixer_t;
typedef struct _snd_mixer_elem snd_mixer_elem_t;

namespace orv {

class AlsaMixer {
public:
    // nullptr when the PCM names no card with a mixer.
    static std::unique_ptr<AlsaMixer> Open(const std::string& pcmName);
    ~AlsaMixer();
    AlsaMixer(const AlsaMixer&) = delete;
    AlsaMixer& operator=(const AlsaMixer&) = delete;

    bool HasPlaybackVolume() const { return m_playback != nullptr; }
    bool HasCaptureVolume() const { return m_capture != nullptr; }
    bool GetVolume(bool capture, std::uint32_t& value);
    bool SetVolume(bool capture, std::uint32_t value);
    // Switches the capture source to the microphone (or a line input): 1 switched, 0 it was
    // already on, -1 the card has no source choice.
    int SelectCaptureSource(bool microphone);

    // The control device of the card a PCM name points at ("hw:1,0" -> "hw:1",
    // "plughw:CARD=USB,DEV=0" -> "hw:CARD=USB", "default" -> "default"); empty when none.
    static std::string ControlNameFor(const std::string& pcmName);

private:
    explicit AlsaMixer(snd_mixer_t* mixer);
    int SelectFromEnum(snd_mixer_elem_t* element, bool microphone);
    snd_mixer_t* m_mixer;
    snd_mixer_elem_t* m_playback = nullptr;
    snd_mixer_elem_t* m_capture = nullptr;
};

} // namespace orv
