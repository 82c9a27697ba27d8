// The Audio page and the audio test on a file sound device: the page stores the device and
// Mix and greys during a call; the test loops the recorded file back to the played file
// through the real microphone and speaker threads, with both volumes applied on the way,
// draws both waveforms, and Cancel puts back the volumes found at opening.
#include "client/app/qt_message_pump.h"
#include "client/audio/devices/audio_device_list.h"
#include "client/audio/devices/software_volume.h"
#include "client/data/client_config.h"
#include "client/media/process_media.h"
#include "client/ui/audio/audio_page.h"
#include "client/ui/audio/audio_test_dialog.h"
#include "client/ui/audio/waveform_view.h"
#include "tests/audio/audio_test_support.h"
#include "tests/ui/ui_test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace orv {
namespace {

bool Eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
        QtMessagePump::Drain();
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

int Peak(const std::vector<std::int16_t>& samples) {
    int peak = 0;
    for (std::int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
}

TEST(AudioSettings, PageStoresTheDeviceAndTheTestLoopsBackWithItsVolumes) {
    test::TempFolder folder;
    std::vector<std::int16_t> tone(8000);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<std::int16_t>(16000 * std::sin(i * 0.3));
    test::WriteWav8kMono(folder.File("speech.wav"), tone);
    const std::string heard = folder.File("heard.wav");
    const std::string device = "wav:in=" + folder.File("speech.wav") + ",out=" + heard + ",loop=1";
    SetOnlySoundDevice(device);
    {
        UiFixture f;
        ASSERT_TRUE(f.Ready()) << f.Error();
        ClientConfig& config = *f.Core().Config();
        int silenced = 0;
        SettingsContext context{f.Core().Texts(), config};
        context.silenceTones = [&silenced] { ++silenced; };

        AudioPage page(context);
        ASSERT_EQ(page.Device()->count(), 1);
        EXPECT_EQ(page.Device()->currentText().toStdString(), device);
        EXPECT_TRUE(page.Device()->isEnabled());
        EXPECT_EQ(page.Mix()->text(), QStringLiteral("Mix"));
        page.Mix()->setChecked(true);
        EXPECT_TRUE(page.EchoCancel()->isChecked()); // on unless the settings file turns it off
        page.EchoCancel()->setChecked(false);
        EXPECT_TRUE(page.Apply());
        EXPECT_EQ(config.Audio().mix, 1);
        EXPECT_EQ(config.Audio().echoCancel, 0);
        EXPECT_EQ(config.Audio().device, device);
        page.Lock(false); // a call: the device stays as it is
        EXPECT_FALSE(page.Device()->isEnabled());
        EXPECT_FALSE(page.TestButton()->isEnabled());
        page.Lock(true);
        EXPECT_TRUE(page.TestButton()->isEnabled());

        // Playback at half (0x8000 shows 128), recording at a quarter: what comes back is an eighth.
        SoftwareVolume(device, AudioDirection::Playback).store(0x8000);
        SoftwareVolume(device, AudioDirection::Capture).store(0x4000);
        {
            AudioTestDialog dialog(&page, f.Core().Texts(), device, device, context.silenceTones);
            EXPECT_EQ(silenced, 1);
            EXPECT_EQ(dialog.PlaybackBar()->value(), 128);
            EXPECT_EQ(dialog.RecordBar()->value(), 64);
            ASSERT_TRUE(dialog.LoopingBack());
            ASSERT_TRUE(Eventually([&] {
                return dialog.RecordView()->BlocksDrawn() > 5 && dialog.PlaybackView()->BlocksDrawn() > 5 &&
                       Peak(test::ReadWav8kMono(heard)) > 0;
            }));
            const int peak = Peak(test::ReadWav8kMono(heard));
            EXPECT_GT(peak, 1700);
            EXPECT_LT(peak, 2300);

            // Several moves, each applied at once; 255 sets 0xFF00.
            dialog.PlaybackBar()->setValue(200);
            dialog.PlaybackBar()->setValue(10);
            dialog.PlaybackBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
            EXPECT_EQ(SoftwareVolume(device, AudioDirection::Playback).load(), 20u << 8);
            dialog.RecordBar()->setValue(255);
            EXPECT_EQ(SoftwareVolume(device, AudioDirection::Capture).load(), 0xFF00u);
            dialog.reject();
            EXPECT_FALSE(dialog.LoopingBack());
        }
        EXPECT_EQ(SoftwareVolume(device, AudioDirection::Playback).load(), 0x8000u);
        EXPECT_EQ(SoftwareVolume(device, AudioDirection::Capture).load(), 0x4000u);
    }
    ProcessMedia::Get().Shutdown();
    SoftwareVolume(device, AudioDirection::Playback).store(kFullSoftwareVolume);
    SoftwareVolume(device, AudioDirection::Capture).store(kFullSoftwareVolume);
    SetOnlySoundDevice("");
}

} // namespace
} // namespace orv
