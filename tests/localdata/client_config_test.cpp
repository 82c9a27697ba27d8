// ClientConfig: bounds and defaults at load, language, device choice, codec list, presets,
// autostart entry, save groups, the update list and the server TTL.
#include "client/data/autostart_entry.h"
#include "client/data/client_config.h"
#include "client/data/user_list_file.h"
#include "platform/profile.h"
#include "tests/localdata/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

class ClientConfigTest : public ::testing::Test {
protected:
    ConfigEnvironment Environment() {
        ConfigEnvironment env;
        env.programFolder = home.File("bin");
        env.homeFolder = home.Path();
        env.moduleName = "orvphone";
        env.autostartFolder = home.File("xdg/autostart");
        env.locale = locale;
        env.captureDevices = [this] { return captureDevices; };
        env.imagingDevices = [this] { return imagingDevices; };
        env.canOpenG7231 = [this] { return g7231; };
        return env;
    }
    std::string SettingsFile() const { return home.File("orvphone.cfg"); }
    void Settings(const std::string& text) { test::WriteText(SettingsFile(), text); }
    std::unique_ptr<ClientConfig> Load() { return std::make_unique<ClientConfig>(Environment()); }
    std::string Stored(const char* section, const char* key) {
        return GetProfileString(section, key, "<absent>", SettingsFile());
    }

    TempFolder home;
    std::string locale = "en_US.UTF-8";
    std::vector<SoundInputDevice> captureDevices;
    std::vector<std::string> imagingDevices;
    bool g7231 = true;
};

TEST_F(ClientConfigTest, OutOfRangeValuesReadAsTheirDefaults) {
    Settings("[Comm]\nKeepAlive=0\nRecvTimeOut=20\nAutoAlloc=0\n"
             "[Video]\nFlowRate=600\nFrameRate=2\nVideoFormat=4\n"
             "[General]\nTTL=29999\n");
    auto config = Load();
    EXPECT_EQ(config->Comm().keepAlive, 5);
    EXPECT_EQ(config->Comm().recvTimeOut, 5);
    EXPECT_EQ(config->Comm().autoAlloc, 1);
    EXPECT_EQ(config->Video().flowRate, 128);
    EXPECT_EQ(config->Video().frameRate, 10);
    EXPECT_EQ(config->Video().videoFormat, 1);
    EXPECT_EQ(config->Video().videoSizeLimit, 512); // absent
    EXPECT_EQ(config->General().ttl, 0);
    EXPECT_TRUE(config->IsLoaded());

    Settings("[Comm]\nKeepAlive=20\nRecvTimeOut=19\n[Video]\nFlowRate=32\nFrameRate=20\n"
             "VideoFormat=0\nVideoSizeLimit=1400\n[General]\nTTL=30000\n");
    config = Load();
    EXPECT_EQ(config->Comm().keepAlive, 5);
    EXPECT_EQ(config->Comm().recvTimeOut, 19);
    EXPECT_EQ(config->Video().flowRate, 32);
    EXPECT_EQ(config->Video().frameRate, 20);
    EXPECT_EQ(config->Video().videoFormat, 0);
    EXPECT_EQ(config->Video().videoSizeLimit, 1400);
    EXPECT_EQ(config->General().ttl, 30000);

    Settings("[Comm]\nKeepAlive=19\n");
    EXPECT_EQ(Load()->Comm().keepAlive, 19);
}

TEST_F(ClientConfigTest, LanguageFromTheFileOrTheLocale) {
    Settings("[General]\nLanguage=english\n");
    auto config = Load();
    EXPECT_EQ(config->General().language, kLanguageEnglish);
    EXPECT_FALSE(config->General().languageNotSet);

    Settings("[General]\nLanguage=JapNese\n"); // the old stored spelling
    EXPECT_EQ(Load()->General().language, kLanguageJapanese);
    Settings("[General]\nLanguage=Japanese\n"); // what a save writes reads back
    EXPECT_EQ(Load()->General().language, kLanguageJapanese);

    // An unknown name: the locale decides.
    Settings("[General]\nLanguage=Klingon\n");
    locale = "zh_CN.UTF-8";
    config = Load();
    EXPECT_TRUE(config->General().languageNotSet);
    EXPECT_EQ(config->General().language, kLanguageChinese);
    locale = "ja_JP.UTF-8";
    EXPECT_EQ(Load()->General().language, kLanguageEnglish);
    locale = "";
    EXPECT_EQ(Load()->General().language, kLanguageEnglish);

    // Saving: not set writes an empty value; index 2 writes the correct spelling.
    config = Load();
    ASSERT_TRUE(config->SaveGeneral());
    EXPECT_EQ(Stored("General", "Language"), "");
    config->General().language = kLanguageJapanese;
    config->General().languageNotSet = false;
    ASSERT_TRUE(config->SaveGeneral());
    EXPECT_EQ(Stored("General", "Language"), "Japanese");
    config->General().language = kLanguageChinese;
    ASSERT_TRUE(config->SaveGeneral());
    EXPECT_EQ(Load()->General().language, kLanguageChinese);
}

TEST_F(ClientConfigTest, DeviceChoicesFollowWhatIsPresent) {
    Settings("[Audio]\nDevice=hw:0,0\n[Video]\nDevice=Old Camera\n");
    captureDevices = {{"hw:0,0", "HDA Intel PCH, ALC Analog (Line In)"}, {"hw:1,0", "USB Audio Device, USB Audio"}};
    imagingDevices = {"Integrated Camera", "ORV Test Pattern Camera"};
    auto config = Load();
    EXPECT_EQ(config->Audio().device, "hw:1,0");
    EXPECT_EQ(Stored("Audio", "Device"), "hw:1,0"); // written at once
    EXPECT_EQ(config->SoundInputDevices(), (std::vector<std::string>{"hw:0,0", "hw:1,0"}));
    EXPECT_EQ(config->Video().device, "Integrated Camera"); // the stored one is gone
    EXPECT_EQ(config->ImagingDeviceCount(), 2);

    // No USB device: the first one, whatever was stored; a present camera stays chosen.
    Settings("[Audio]\nDevice=hw:1,0\n[Video]\nDevice=ORV Test Pattern Camera\n");
    captureDevices = {{"default", "Default ALSA Output"}, {"hw:0,0", "HDA Intel PCH"}};
    config = Load();
    EXPECT_EQ(config->Audio().device, "default");
    EXPECT_EQ(config->Video().device, "ORV Test Pattern Camera");

    // Nothing present.
    captureDevices.clear();
    imagingDevices.clear();
    config = Load();
    EXPECT_EQ(config->Audio().device, "");
    EXPECT_EQ(config->Video().device, "");
    EXPECT_EQ(Stored("Audio", "Device"), "");
}

TEST_F(ClientConfigTest, G7231StaysInTheCodecListOnlyWhenItsCoderOpens) {
    Settings("[Audio]\nCodec0=4\nCodec1=3\nCodec2=0\nCodec3=1\n");
    auto config = Load();
    EXPECT_EQ(config->Audio().captureCodecs, (std::vector<std::uint8_t>{4, 3, 1}));
    EXPECT_EQ(config->Audio().playCodecs, config->Audio().captureCodecs);
    g7231 = false;
    config = Load();
    EXPECT_EQ(config->Audio().captureCodecs, (std::vector<std::uint8_t>{4, 1}));
    EXPECT_EQ(config->Audio().playCodecs, config->Audio().captureCodecs);
    EXPECT_EQ(config->Video().captureCodecs, std::vector<std::uint8_t>{2});
    EXPECT_EQ(config->Video().playCodecs, std::vector<std::uint8_t>{2});

    // Saving writes the list that is in use.
    ASSERT_TRUE(config->SaveAudio());
    EXPECT_EQ(Stored("Audio", "Codec0"), "4");
    EXPECT_EQ(Stored("Audio", "Codec1"), "1");
    EXPECT_EQ(Stored("Audio", "Codec2"), "0");
    EXPECT_EQ(Stored("Audio", "Codec3"), "0") << "the older list's last code stayed behind";
    EXPECT_EQ(Load()->Audio().captureCodecs, (std::vector<std::uint8_t>{4, 1}));
}

TEST_F(ClientConfigTest, ASettingsFileNamingNoCodecOffersEveryCodec) {
    auto config = Load(); // no settings file at all
    EXPECT_EQ(config->Audio().captureCodecs, (std::vector<std::uint8_t>{4, 1, 2, 3}));
    Settings("[UserServer]\nIPAddr=127.0.0.1\nIPPort=7000\n");
    g7231 = false;
    config = Load();
    EXPECT_EQ(config->Audio().captureCodecs, (std::vector<std::uint8_t>{4, 1, 2}));
    EXPECT_EQ(config->Audio().playCodecs, config->Audio().captureCodecs);
    // One named codec is a choice: only the codecs named are offered, never an empty slot
    // (0) or a code that names no speech codec.
    Settings("[Audio]\nCodec1=2\n");
    EXPECT_EQ(Load()->Audio().captureCodecs, (std::vector<std::uint8_t>{2}));
    Settings("[Audio]\nCodec0=1\n");
    EXPECT_EQ(Load()->Audio().captureCodecs, (std::vector<std::uint8_t>{1}));
    Settings("[Audio]\nCodec0=9\nCodec1=-2\nCodec2=4\nCodec3=0\n");
    EXPECT_EQ(Load()->Audio().captureCodecs, (std::vector<std::uint8_t>{4}));
}

TEST_F(ClientConfigTest, VideoPresetsFollowKeyOrder) {
    std::string text = "[VideoQual]\nfirst=10,1,128\nbroken=5,2\nthird= 20,3,512\n";
    for (int i = 3; i < 12; ++i) text += "k" + std::to_string(i) + "=" + std::to_string(i) + ",0,64\n";
    test::WriteText(home.File("VD.CFG"), text);
    auto config = Load();
    const auto& presets = config->VideoPresets();
    ASSERT_EQ(presets.size(), 10u);
    EXPECT_EQ(presets[0], (VideoPreset{10, 1, 128}));
    EXPECT_EQ(presets[1], (VideoPreset{}));
    EXPECT_EQ(presets[2], (VideoPreset{20, 3, 512}));
    EXPECT_EQ(presets[9], (VideoPreset{9, 0, 64})); // keys past the tenth are not read

    // Shipped beside the program when the home folder has none.
    fs::remove(home.File("VD.CFG"));
    fs::create_directories(home.File("bin"));
    test::WriteText(home.File("bin/VD.CFG"), "[VideoQual]\n0=3,2,32\n");
    EXPECT_EQ(Load()->VideoPresets()[0], (VideoPreset{3, 2, 32}));
}

TEST_F(ClientConfigTest, AutostartEntryMirrorsAutoRun) {
    const std::string entry = home.File("xdg/autostart/orvphone.desktop");
    const std::string oldEntry = home.File("xdg/autostart/ORV II.desktop");
    Settings("[General]\nAutoRun=1\n");
    auto config = Load();
    EXPECT_EQ(config->General().autoRun, 0); // no entry: off, whatever the file says

    config->General().autoRun = 1;
    ASSERT_TRUE(config->SaveGeneral());
    ASSERT_TRUE(fs::exists(entry));
    EXPECT_NE(test::ReadText(entry).find("Exec=\"" + home.File("bin/orvphone") + "\"\n"), std::string::npos);
    EXPECT_EQ(Stored("General", "AutoRun"), "1");

    test::WriteText(oldEntry, "[Desktop Entry]\n");
    Settings("[General]\nAutoRun=0\n");
    config = Load();
    EXPECT_EQ(config->General().autoRun, 1);
    EXPECT_FALSE(fs::exists(oldEntry)); // the older entry is removed at every load

    config->General().autoRun = 0;
    ASSERT_TRUE(config->SaveGeneral());
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(Load()->General().autoRun, 0);

    // Program paths with blanks and the characters the entry format reserves.
    EXPECT_EQ(DesktopExecValue("/opt/orv phone/orvphone"), "\"/opt/orv phone/orvphone\"");
    EXPECT_EQ(DesktopExecValue("/a\"b$c`d\\e%f"), "\"/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\"");
}

TEST_F(ClientConfigTest, SaveGroupsWriteOnlyTheirOwnKeysAndKeepTheRest) {
    Settings("; written by hand\n[Custom]\nKeep=me\n[Video]\nVideoSizeLimit=900\n");
    auto config = Load();
    config->UserServer() = {"192.0.2.7", 8800};
    config->Comm().bandWidth = "LAN用户(1M)";
    config->Comm().keepAlive = 7;
    config->Comm().orvPort = 9000;
    ASSERT_TRUE(config->SaveComm());
    EXPECT_EQ(Stored("UserServer", "IPAddr"), "192.0.2.7");
    EXPECT_EQ(Stored("UserServer", "IPPort"), "8800");
    EXPECT_EQ(Stored("Comm", "BandWidth"), "LAN用户(1M)");
    EXPECT_EQ(Stored("Comm", "KeepAlive"), "7");
    EXPECT_EQ(Stored("Comm", "AutoAlloc"), "1");
    EXPECT_EQ(Stored("Video", "FrameRate"), "<absent>");
    EXPECT_EQ(Stored("General", "TTL"), "<absent>");

    config->Video().frameRate = 15;
    config->Video().videoQual = 3;
    ASSERT_TRUE(config->SaveVideo());
    EXPECT_EQ(Stored("Video", "FrameRate"), "15");
    EXPECT_EQ(Stored("Video", "VideoQual"), "3");
    EXPECT_EQ(Stored("Video", "Codec0"), "2");
    EXPECT_EQ(Stored("Video", "VideoSizeLimit"), "900"); // never written, kept as it was
    EXPECT_EQ(Stored("Custom", "Keep"), "me");
    EXPECT_NE(test::ReadText(SettingsFile()).find("; written by hand"), std::string::npos);

    auto reloaded = Load();
    EXPECT_EQ(reloaded->UserServer().address, "192.0.2.7");
    EXPECT_EQ(reloaded->UserServer().port, 8800);
    EXPECT_EQ(reloaded->Comm().orvPort, 9000);
    EXPECT_EQ(reloaded->Video().frameRate, 15);
    // No leftovers of the batch copies beside the settings file.
    for (const auto& e : fs::directory_iterator(home.Path())) {
        EXPECT_EQ(e.path().filename().string().find(".batch-"), std::string::npos) << e.path();
    }
}

TEST_F(ClientConfigTest, UpdateListRewritesAKnownFileAndRenumbersForANewOne) {
    Settings("[Update]\nalpha=orvphone,3\nempty=\nbeta=Skin.dat,1\n");
    auto config = Load();
    ASSERT_EQ(config->UpdateFiles().size(), 2u);

    ASSERT_TRUE(config->RecordUpdateFile("SKIN.DAT", 2));
    EXPECT_EQ(GetProfileKeys("Update", SettingsFile()), (std::vector<std::string>{"alpha", "empty", "beta"}));
    EXPECT_EQ(Stored("Update", "beta"), "SKIN.DAT,2");
    EXPECT_EQ(Stored("Update", "alpha"), "orvphone,3");

    ASSERT_TRUE(config->RecordUpdateFile("new.bin", 7));
    EXPECT_EQ(GetProfileKeys("Update", SettingsFile()), (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(Stored("Update", "0"), "orvphone,3");
    EXPECT_EQ(Stored("Update", "1"), "SKIN.DAT,2");
    EXPECT_EQ(Stored("Update", "2"), "new.bin,7");
    EXPECT_EQ(config->UpdateFiles(), (std::vector<UpdateFileRecord>{{"orvphone", 3}, {"SKIN.DAT", 2}, {"new.bin", 7}}));
    EXPECT_EQ(Load()->UpdateFiles(), config->UpdateFiles());
}

TEST_F(ClientConfigTest, ServerTtlShortensTheStoredTtlToAThird) {
    auto config = Load();
    EXPECT_TRUE(config->ApplyServerTtl(90));
    EXPECT_EQ(config->General().ttl, 30000);
    EXPECT_EQ(Stored("General", "TTL"), "30000");
    EXPECT_FALSE(config->ApplyServerTtl(120)); // a third of it is longer: kept
    EXPECT_EQ(config->General().ttl, 30000);
    EXPECT_TRUE(config->ApplyServerTtl(60));
    EXPECT_EQ(Stored("General", "TTL"), "20000");
}

TEST_F(ClientConfigTest, UserListIsReadAtLoadAndStoredFirst) {
    auto config = Load();
    EXPECT_TRUE(config->UserList().empty());
    ASSERT_TRUE(config->StoreUser("8001", "F9C65759-7A4F54A0-07F476AB-839B2A9B", false));
    ASSERT_TRUE(config->StoreUser("8002", "", false));
    EXPECT_FALSE(config->StoreUser("80,03", "", false)); // would read back as another number
    EXPECT_FALSE(config->StoreUser("", "X", false));
    EXPECT_EQ(Load()->UserList(),
              (std::vector<std::string>{"8002,", "8001,F9C65759-7A4F54A0-07F476AB-839B2A9B"}));
}

TEST_F(ClientConfigTest, SkinPathsLieUnderTheHomeFolder) {
    auto config = Load();
    EXPECT_EQ(config->SkinFile(SkinWindow::Main), home.File("SkinFile/MainDlg/mainbody.ini"));
    EXPECT_EQ(config->SkinFile(SkinWindow::Settings), home.File("SkinFile/CfgDlg/theme.ini"));
    EXPECT_EQ(config->SkinFile(SkinWindow::Video), home.File("SkinFile/VideoDlg/videoWin.ini"));
    EXPECT_EQ(config->SkinFolder(SkinWindow::Conference), home.File("SkinFile/ConfDlg"));
    EXPECT_FALSE(config->UnpackSkinData()); // no archives anywhere
    EXPECT_FALSE(fs::exists(home.File("SkinFile")));
}

} // namespace
} // namespace orv
