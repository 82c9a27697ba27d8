// The main window's two volume sliders on the mixer of the configured sound device. The
// sliders start from the current volumes; a moved slider sets its volume at once, and the
// positions go into the settings shortly after the slider stops, so volumes kept in
// software come back at the next start.
#pragma once

#include "client/audio/pipeline/mixer_volumes.h"

#include <QTimer>

namespace orv {

class ClientConfig;

class MainVolumes {
public:
    explicit MainVolumes(ClientConfig* config);
    ~MainVolumes();

    // (Re)opens the mixer on the configured sound device; false when there is none.
    bool Open();
    // The line's volume on the sliders' 0..100 scale; -1 when the mixer cannot tell.
    int SliderValue(VolumeLine line);
    // A slider moved to value (0..100): the volume is set. Returns the mixer position
    // 0..255 that was set, or -1 when the mixer refused it.
    int Move(VolumeLine line, int sliderValue);
    // Writes the current positions into the settings now.
    void Keep();

private:
    ClientConfig* m_config;
    MixerVolumes m_volumes;
    QTimer m_keepTimer;
};

} // namespace orv
