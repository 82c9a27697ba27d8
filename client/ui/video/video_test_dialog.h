// The video test dialog: the camera's picture on the left ("Local") and the same picture
// after an "ORV2" encoder and decoder on the right ("Remote"), with the frame rate and the
// bit rate adjustable while it runs. Camera frames arrive from the capture thread as the
// render filter's second window (WM_USER+7, wParam = const VideoFrame*, sent).
#pragma once

#include "client/ui/video/video_picture.h"
#include "client/video/codec/video_codec.h"
#include "platform/types.h"

#include <QDialog>
#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QScrollBar;

namespace orv {

class CVideoCtlThread;
class FunctionWindow;
class TextTable;
struct VideoFrame;

struct VideoTestValues {
    std::string device;
    int frameRate = 10;
    int bandwidth = 128; // kbit/s
    int sizeIndex = 1;
};

class VideoTestDialog : public QDialog {
public:
    static constexpr int kMinFrameRate = 3, kMaxFrameRate = 20;
    static constexpr int kMinBandwidth = 32, kMaxBandwidth = 512;

    // control may be null (no camera thread): the dialog then shows nothing.
    VideoTestDialog(QWidget* parent, const TextTable& texts, CVideoCtlThread* control, VideoTestValues values);
    ~VideoTestDialog() override;

    int FrameRate() const;
    int Bandwidth() const;
    void SetFrameRate(int frameRate); // as the scroll bar does: restarts capture at that rate
    void SetBandwidth(int bandwidth);
    // The start/stop toggle.
    void ToggleRunning();
    bool Running() const { return running_; }
    bool CodecsOpen() const;
    const VideoCodec& Encoder() const { return encoder_; }

    std::uint64_t FramesShown() const { return framesShown_; }
    std::uint64_t FramesDecoded() const { return framesDecoded_; }
    const QImage& LocalImage() const { return localImage_; }
    const QImage& RemoteImage() const { return remoteImage_; }

    // One camera frame (also what the frame window's WM_USER+7 runs).
    void OnFrame(const VideoFrame& frame);

    void done(int result) override;

private:
    void OpenCodecs();
    void CloseCodecs();
    void ShowValues();
    QScrollBar* MakeScrollBar(int minimum, int maximum, int page, int value);

    const TextTable& texts_;
    CVideoCtlThread* control_;
    VideoTestValues values_;
    VideoCodec encoder_;
    VideoCodec decoder_;
    bool running_ = true;
    bool ended_ = false;
    std::vector<std::uint8_t> compressed_;
    std::vector<std::uint8_t> decoded_;
    QImage localImage_;
    QImage remoteImage_;
    std::uint64_t framesShown_ = 0;
    std::uint64_t framesDecoded_ = 0;

    QLabel* localPane_ = nullptr;
    QLabel* remotePane_ = nullptr;
    QScrollBar* frameRateBar_ = nullptr;
    QScrollBar* bandwidthBar_ = nullptr;
    QLabel* frameRateText_ = nullptr;
    QLabel* bandwidthText_ = nullptr;
    QPushButton* toggle_ = nullptr;
    std::unique_ptr<FunctionWindow> frameWindow_;
};

} // namespace orv
