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
    if (CAudioPlayThread* playback = media.ExistingPlayback()) playback->ChangeDevice(deviceName);
}

} // namespace orv
