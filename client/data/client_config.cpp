#include "client/data/client_config.h"

#include "client/data/autostart_entry.h"
#include "client/data/config_text.h"
#include "client/data/user_list_file.h"
#include "client/log/log.h"
#include "platform/installed_layout.h"
#include "platform/paths.h"
#include "platform/profile.h"

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/utsname.h>

namespace orv {

namespace {

ClientConfig* g_config = nullptr;

constexpr char kVideoPresetFile[] = "VD.CFG";
constexpr std::size_t kMaxUpdateFileName = 63;

int BoundedOr(int value, int low, int high, int otherwise) {
    return value < low || value > high ? otherwise : value;
}

} // namespace

ClientConfig* TheConfig() { return g_config; }
void SetTheConfig(ClientConfig* config) { g_config = config; }

int SystemDefaultLanguage(const std::string& locale) {
    return locale.rfind("zh", 0) == 0 ? kLanguageChinese : kLanguageEnglish;
}

ClientConfig::ClientConfig(ConfigEnvironment environment) : m_env(std::move(environment)) {
    Load();
}

std::string ClientConfig::ShippedFile(const std::string& name) const {
    const std::string local = JoinPath(m_env.homeFolder, name);
    struct stat st;
    if (::stat(local.c_str(), &st) == 0 || m_env.programFolder.empty()) return local;
    return JoinPath(m_env.programFolder, name);
}

void ClientConfig::Load() {
    struct utsname name;
    if (::uname(&name) == 0) m_platform = {name.sysname, name.release, name.version};
    m_programPath = InstalledCommandPath(m_env.programFolder, kClientProgramName);
    m_settingsFile = JoinPath(m_env.homeFolder, m_env.moduleName + ".cfg");

    m_userServer.address = GetProfileString("UserServer", "IPAddr", "", m_settingsFile);
    m_userServer.port = GetProfileInt("UserServer", "IPPort", 0, m_settingsFile);
    m_userList = ReadUserListFile(JoinPath(m_env.homeFolder, kUserListFile));
    LoadGeneral();
    LoadCommAndMedia();
    m_bandwidthPresets = {"LAN用户(1M)", "ADSL用户(512K)", "ISDN用户(128K)", "拨号用户(56K)"};
    m_loaded = true;
    LoadVideoPresets();
    ChooseSoundDevice();
    ChooseImagingDevice();
    LoadAudioCodecs();
    m_video.captureCodecs = {kVideoCodecOrv2};
    m_video.playCodecs = {kVideoCodecOrv2};
    LoadUpdateList();
}

void ClientConfig::LoadGeneral() {
    const std::string& file = m_settingsFile;
    m_general.autoRun = GetProfileInt("General", "AutoRun", 0, file);
    m_general.linkAddr = GetProfileString("General", "LinkAddr", "", file);
    m_general.friendsTree = GetProfileInt("General", "FriendsTree", 0, file);
    m_general.headsetButtons = GetProfileInt("General", "HeadsetButtons", 0, file) == 1 ? 1 : 0;
    m_general.ttl = GetProfileInt("General", "TTL", 0, file);
    if (m_general.ttl < 30000) m_general.ttl = 0;

    // Japanese is stored as "Japanese" and was once stored as "JAPNESE": both are read, so a
    // chosen Japanese survives the next start.
    const std::string language = UpperCase(GetProfileString("General", "Language", "", file));
    m_general.languageNotSet = false;
    if (language == "CHINESE") {
        m_general.language = kLanguageChinese;
    } else if (language == "ENGLISH") {
        m_general.language = kLanguageEnglish;
    } else if (language == "JAPNESE" || language == "JAPANESE") {
        m_general.language = kLanguageJapanese;
    } else {
        m_general.languageNotSet = true;
        m_general.language = SystemDefaultLanguage(m_env.locale);
    }

    RemoveAutostartEntry(m_env.autostartFolder, kOldAutostartEntryName);
    m_general.autoRun = AutostartEntryPresent(m_env.autostartFolder) ? 1 : 0;
}

void ClientConfig::LoadCommAndMedia() {
    const std::string& file = m_settingsFile;
    m_comm.bandWidth = GetProfileString("Comm", "BandWidth", "", file);
    m_comm.audioPort = GetProfileInt("Comm", "AudioPort", 0, file);
    m_comm.videoPort = GetProfileInt("Comm", "VideoPort", 0, file);
    m_comm.userPort = GetProfileInt("Comm", "UserPort", 0, file);
    m_comm.orvPort = GetProfileInt("Comm", "ORVPort", 0, file);
    m_comm.recvTimeOut = BoundedOr(GetProfileInt("Comm", "RecvTimeOut", 0, file), 1, 19, 5);
    m_comm.keepAlive = BoundedOr(GetProfileInt("Comm", "KeepAlive", 0, file), 1, 19, 5);
    m_comm.autoAlloc = 1;

    m_audio.device = GetProfileString("Audio", "Device", "", file);
    m_audio.mix = GetProfileInt("Audio", "Mix", 0, file);
    m_audio.echoCancel = GetProfileInt("Audio", "EchoCancel", 1, file) != 0 ? 1 : 0;
    m_audio.playVolume = BoundedOr(GetProfileInt("Audio", "PlayVolume", -1, file), 0, 255, -1);
    m_audio.recordVolume = BoundedOr(GetProfileInt("Audio", "RecordVolume", -1, file), 0, 255, -1);
    m_video.device = GetProfileString("Video", "Device", "", file);
    m_video.frameRate = BoundedOr(GetProfileInt("Video", "FrameRate", 0, file), 3, 20, 10);
    m_video.flowRate = BoundedOr(GetProfileInt("Video", "FlowRate", 0, file), 32, 512, 128);
    m_video.videoFormat = BoundedOr(GetProfileInt("Video", "VideoFormat", 0, file), 0, 3, 1);
    m_video.videoQual = GetProfileInt("Video", "VideoQual", 0, file);
    m_video.videoSizeLimit = GetProfileInt("Video", "VideoSizeLimit", 0, file);
    if (m_video.videoSizeLimit == 0) m_video.videoSizeLimit = 512;
}

void ClientConfig::LoadVideoPresets() {
    const std::string file = ShippedFile(kVideoPresetFile);
    const std::vector<std::string> keys = GetProfileKeys("VideoQual", file);
    for (std::size_t n = 0; n < keys.size() && n < kMaxVideoPresets; ++n) {
        const auto fields = SplitAtCommas(GetProfileString("VideoQual", keys[n], "", file));
        if (fields.size() != 3) continue;
        m_videoPresets[n] = {std::atoi(fields[0].c_str()), std::atoi(fields[1].c_str()),
                             std::atoi(fields[2].c_str())};
    }
}

void ClientConfig::ChooseSoundDevice() {
    const std::vector<SoundInputDevice> devices =
        m_env.captureDevices ? m_env.captureDevices() : std::vector<SoundInputDevice>{};
    m_soundInputDevices.clear();
    for (const SoundInputDevice& device : devices) m_soundInputDevices.push_back(device.name);
    // ALSA names rarely say "USB"; their descriptions do, so both are looked at.
    auto isUsb = [](const SoundInputDevice& device) {
        return UpperCase(device.name).find("USB") != std::string::npos ||
               UpperCase(device.description).find("USB") != std::string::npos;
    };
    const auto usb = std::find_if(devices.begin(), devices.end(), isUsb);
    if (usb != devices.end()) {
        m_audio.device = usb->name;
    } else {
        m_audio.device = devices.empty() ? "" : devices.front().name;
    }
    SaveGroups(kSaveAudioDevice);
}

void ClientConfig::ChooseImagingDevice() {
    m_imagingDevices = m_env.imagingDevices ? m_env.imagingDevices() : std::vector<std::string>{};
    const auto& present = m_imagingDevices;
    if (std::find(present.begin(), present.end(), m_video.device) == present.end()) {
        m_video.device = present.empty() ? "" : present.front();
    }
}

void ClientConfig::LoadAudioCodecs() {
    // A settings file that names no speech codec at all (a new installation, or one whose
    // file only has the server address) would offer nothing and every call would fail its
    // negotiation; such a client offers every codec, the low-rate ones first.
    static constexpr std::uint8_t kFreshInstallCodecs[4] = {kAudioCodecG729, kAudioCodecG711A, kAudioCodecG711U,
                                                   kAudioCodecG7231};
    bool named = false;
    for (int n = 0; n < kAudioCodecSlots; ++n) {
        named = named || GetProfileString("Audio", "Codec" + std::to_string(n), "", m_settingsFile) != "";
    }
    m_audio.captureCodecs.clear();
    for (int n = 0; n < kAudioCodecSlots; ++n) {
        const int code = named ? GetProfileInt("Audio", "Codec" + std::to_string(n), 0, m_settingsFile)
                               : int{kFreshInstallCodecs[n]};
        // Only the codecs named are offered: an empty slot (0, none) or a code that names no
        // speech codec is not a codec the peer could be sent.
        if (code < kAudioCodecG711A || code > kAudioCodecG729) continue;
        if (code == kAudioCodecG7231 && !(m_env.canOpenG7231 && m_env.canOpenG7231())) continue;
        m_audio.captureCodecs.push_back(static_cast<std::uint8_t>(code));
    }
    m_audio.playCodecs = m_audio.captureCodecs;
}

void ClientConfig::LoadUpdateList() {
    m_updateFiles.clear();
    for (const std::string& key : GetProfileKeys("Update", m_settingsFile)) {
        const auto fields = SplitAtCommas(GetProfileString("Update", key, "", m_settingsFile));
        if (fields.size() != 2) continue;
        m_updateFiles.push_back({fields[0].substr(0, kMaxUpdateFileName), std::atoi(fields[1].c_str())});
    }
}

} // namespace orv
