#include "client/ui/audio/sound_device.h"

#include "client/audio/pipeline/audio_play_thread.h"
#include "client/audio/pipeline/audio_record_thread.h"
#include "client/media/process_media.h"

namespace orv {

void MoveAudioThreadsTo(const std::string& deviceName) {
    if (deviceName.empty()) return;
    ProcessMedia& media = ProcessMedia::Get();
    std::lock_guard<CriticalSection> lock(media.Lock());
    if (CAudioRecordThread* capture = media.ExistingCapture()) capture->ChangeDevice(deviceName);
    // The speaker's device pauses before it reopens: the speaker thread does that, not the caller.
    if (CAudioPlayThread* playback = media.ExistingPlayback()) playback->ChangeDeviceLater(deviceName);
}

} // namespace orv
