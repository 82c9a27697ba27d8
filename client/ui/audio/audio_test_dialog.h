// The audio test: the microphone is heard in the speaker of the chosen sound device while
// both signals are drawn, and two scroll bars set the recording and playback volumes at
// once (positions 0..255, the high byte of the mixer volume). Cancel, Escape and closing put
// back the volumes found at opening; OK keeps the new ones. Either way the microphone and
// speaker threads are given back as they were.
#pragma once

#include "client/audio/pipeline/mixer_volumes.h"
#include "client/audio/pipeline/pcm_block_queue.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QScrollBar;

namespace orv {

class TextTable;
class WaveformView;

class AudioTestDialog : public QDialog {
public:
    // deviceName: the device to test; restoreDevice: the one the threads use afterwards (the
    // configured device). silenceTones stops any tone before the test (may be empty).
    AudioTestDialog(QWidget* parent, const TextTable& texts, std::string deviceName, std::string restoreDevice,
                    std::function<void()> silenceTones);
    ~AudioTestDialog() override;

    QScrollBar* PlaybackBar() const { return playback_; }
    QScrollBar* RecordBar() const { return record_; }
    WaveformView* RecordView() const { return recordView_; }
    WaveformView* PlaybackView() const { return playbackView_; }
    // Whether the microphone reaches the speaker (false during a call or without threads).
    bool LoopingBack() const { return looping_; }

    void reject() override; // Cancel: the volumes found at opening come back
    void accept() override;

private:
    void StartLoopback();
    void StopLoopback();

    const TextTable& texts_;
    std::string deviceName_;
    std::string restoreDevice_;
    MixerVolumes volumes_;
    PcmBlockQueue loop_; // the microphone's blocks, played straight back
    std::uint32_t playbackAtOpen_ = 0;
    std::uint32_t recordAtOpen_ = 0;
    bool havePlayback_ = false;
    bool haveRecord_ = false;
    bool looping_ = false;
    QScrollBar* playback_ = nullptr;
    QScrollBar* record_ = nullptr;
    WaveformView* recordView_ = nullptr;
    WaveformView* playbackView_ = nullptr;
};

} // namespace orv
