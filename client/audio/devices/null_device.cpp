#include "client/audio/devices/null_device.h"

#include "client/audio/devices/paced_stream.h"
#include "client/audio/devices/software_volume.h"

namespace orv {

std::unique_ptr<AudioStream> OpenNullCapture(AudioCompletion completion) {
    return StartPacedCapture(std::make_unique<SilenceSource>(), std::move(completion),
                             SoftwareVolume(kNullDeviceName, AudioDirection::Capture), CurrentAudioClock());
}

std::unique_ptr<AudioStream> OpenNullPlayback(AudioCompletion completion) {
    return StartPacedPlayback(std::make_unique<DiscardSink>(), std::move(completion),
                              SoftwareVolume(kNullDeviceName, AudioDirection::Playback), CurrentAudioClock());
}

} // namespace orv
