// The configuration built from the real machine: home folder, sound devices, imaging
// devices and the G.723.1 probe, with the user's autostart folder moved into a temporary one.
#include "client/audio/devices/audio_device_list.h"
#include "client/core/system_config_environment.h"
#include "client/data/client_config.h"
#include "client/video/devices/video_device_list.h"
#include "platform/paths.h"
#include "tests/localdata/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace orv {
namespace {

using test::TempFolder;

TEST(SystemEnvironment, ConfigurationFromTheRunningMachine) {
    TempFolder temp;
    ::setenv("XDG_CONFIG_HOME", temp.File("xdg").c_str(), 1);
    ::setenv("LC_ALL", "zh_CN.UTF-8", 1);
    SetHomeFolder(temp.Path());
    SetOnlySoundDevice("null");

    ClientConfig config(SystemConfigEnvironment());
    EXPECT_EQ(config.SettingsFile(), temp.File(ModuleName() + ".cfg"));
    EXPECT_EQ(config.Audio().device, "null");
    EXPECT_EQ(config.General().language, kLanguageChinese);
    ASSERT_FALSE(config.ImagingDevices().empty());
    EXPECT_EQ(config.ImagingDevices().back(), kTestPatternCameraName);
    EXPECT_EQ(config.Video().device, config.ImagingDevices().front());

    // Autostart goes to $XDG_CONFIG_HOME/autostart.
    config.General().autoRun = 1;
    ASSERT_TRUE(config.SaveGeneral());
    EXPECT_TRUE(std::filesystem::exists(temp.File("xdg/autostart/orvphone.desktop")));
    config.General().autoRun = 0;
    ASSERT_TRUE(config.SaveGeneral());
    EXPECT_FALSE(std::filesystem::exists(temp.File("xdg/autostart/orvphone.desktop")));

    // libavcodec's G.723.1 coder is installed here, so code 3 survives the probe.
    test::WriteText(config.SettingsFile(), "[Audio]\nCodec0=3\nCodec1=1\n");
    ClientConfig withCodecs(SystemConfigEnvironment());
    EXPECT_EQ(withCodecs.Audio().captureCodecs, (std::vector<std::uint8_t>{3, 1}));

    SetOnlySoundDevice("");
    ::unsetenv("LC_ALL");
}

TEST(VideoDevices, NodesThatCannotCaptureAreSkippedAndTheTestCameraComesLast) {
    TempFolder temp;
    // A sysfs-like tree whose device nodes are plain files: no capture ioctl answers.
    for (const char* node : {"video0", "video1", "vbi0", "videoX"}) {
        std::filesystem::create_directories(temp.File("sys/" + std::string(node)));
        test::WriteText(temp.File("sys/" + std::string(node) + "/name"), "Fake Camera\n");
    }
    std::filesystem::create_directories(temp.File("dev"));
    test::WriteText(temp.File("dev/video0"), "");
    const auto devices = EnumerateVideoDevices(temp.File("sys"), temp.File("dev"));
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, kTestPatternCameraName);
    EXPECT_EQ(devices[0].path, kTestPatternCameraPath);

    // A missing sysfs folder still offers the test camera.
    EXPECT_EQ(EnumerateVideoDevices(temp.File("absent"), temp.File("dev")).size(), 1u);
}

} // namespace
} // namespace orv
