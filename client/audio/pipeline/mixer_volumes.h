// The two volumes a person sets, playback and recording, as slider positions 0..255 on the
// mixer of one sound device: the card's own controls where it has them, the software
// volume otherwise. Software volumes live only as long as the process, so the positions a
// person chose are handed back for the settings to keep and given again at the next open.
// The main window's sliders, the audio settings page and the audio test share it.
#pragma once

#include "client/audio/pipeline/audio_mixer.h"

#include <string>

namespace orv {

enum class VolumeLine { Playback, Record };

constexpr int kMaxVolumePosition = 255;

// Positions kept from an earlier run; -1 means none was kept.
struct KeptVolumes {
    int playback = -1;
    int record = -1;
};

class MixerVolumes {
public:
    // Opens the mixer of deviceName (an empty name closes it). A line the card has no
    // control for starts from its kept position, when there is one; the card's own
    // controls keep their level.
    bool Open(const std::string& deviceName, const KeptVolumes& kept = {});
    void Close() { m_mixer.Close(); }
    bool IsOpen() { return m_mixer.IsOpen(); }

    // The line's current position 0..255, or -1 when the mixer cannot tell.
    int Position(VolumeLine line);
    // Sets the line to position (clamped to 0..255); false when the mixer refused it.
    bool SetPosition(VolumeLine line, int position);
    // Both current positions, to keep in the settings.
    KeptVolumes Positions();

    AudioMixer& Mixer() { return m_mixer; }

private:
    AudioMixer m_mixer;
};

// The mixer's component type of a line.
std::uint32_t MixerComponent(VolumeLine line);

} // namespace orv
