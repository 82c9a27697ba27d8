// ClientConfig: the one configuration object of the client. It reads every source when it
// is built (the settings file "<module>.cfg" and "User.dat" in the home folder, the "VD.CFG"
// presets, the autostart entry, the sound-input and imaging devices present) and writes back
// one group of keys at a time.
#pragma once

#include "client/data/skin_paths.h"
#include "client/text/language.h"
#include "platform/thread.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

// A sound input the machine offers: the name the settings store ("default", "hw:1,0") and
// what a person reads ("USB Audio Device, USB Audio").
struct SoundInputDevice {
    std::string name;
    std::string description;
};

// Everything the configuration learns from the machine, so that tests can set it. The
// running machine's is built by the core (system_config_environment.h), which knows the
// sound and picture layers.
struct ConfigEnvironment {
    std::string programFolder;   // folder of the running program
    std::string homeFolder;      // folder of the settings and data files
    std::string moduleName;      // program file name without extension
    std::string autostartFolder; // empty: start with the system is not available
    std::string locale;          // e.g. "zh_CN.UTF-8"; picks the language when none is set
    std::function<std::vector<SoundInputDevice>()> captureDevices;
    std::function<std::vector<std::string>()> imagingDevices; // descriptions, in device order
    std::function<bool()> canOpenG7231;
};
// The language used when none is configured, from a locale name: a Chinese locale gives
// Chinese, everything else (a Japanese one too) English.
int SystemDefaultLanguage(const std::string& locale);

constexpr std::uint8_t kAudioCodecG711A = 1;
constexpr std::uint8_t kAudioCodecG711U = 2;
constexpr std::uint8_t kAudioCodecG7231 = 3;
constexpr std::uint8_t kAudioCodecG729 = 4;
// The settings file's speech codec slots "Codec0" to "Codec3".
constexpr int kAudioCodecSlots = 4;
constexpr std::uint8_t kVideoCodecOrv2 = 2;
constexpr std::size_t kMaxVideoPresets = 10;

struct UserServerSettings {
    std::string address; // IPAddr
    int port = 0;        // IPPort
};

struct GeneralSettings {
    int autoRun = 0;     // mirrors the autostart entry
    std::string linkAddr; // read only
    int friendsTree = 0;
    int ttl = 0;         // keep-alive interval in ms; 0 = not set
    int language = kLanguageEnglish;
    bool languageNotSet = true;
    int headsetButtons = 0; // 1: a headset's call buttons answer, hang up and mute
};

struct CommSettings {
    std::string bandWidth;
    int audioPort = 0, videoPort = 0, userPort = 0, orvPort = 0;
    int recvTimeOut = 5, keepAlive = 5; // seconds, 1..19
    int autoAlloc = 1;                  // 1 = let the system choose local ports
};

struct AudioSettings {
    std::string device;
    int mix = 0;
    int echoCancel = 1; // echo cancellation, noise suppression and gain on the microphone
    // Slider positions 0..255 a person set, kept for devices whose volume lives in
    // software; -1 = none set.
    int playVolume = -1, recordVolume = -1;
    std::vector<std::uint8_t> captureCodecs; // at most 4 codes; the play list is equal
    std::vector<std::uint8_t> playCodecs;
};

struct VideoSettings {
    std::string device;
    int frameRate = 10, flowRate = 128, videoFormat = 1, videoQual = 0;
    int videoSizeLimit = 512; // media send buffer size in bytes; never written
    std::vector<std::uint8_t> captureCodecs{kVideoCodecOrv2};
    std::vector<std::uint8_t> playCodecs{kVideoCodecOrv2};
};

struct VideoPreset {
    int frameRate = 0, videoFormat = 0, flowRate = 0;
    bool operator==(const VideoPreset&) const = default;
};

struct UpdateFileRecord {
    std::string fileName; // at most 63 characters
    int version = 0;
    bool operator==(const UpdateFileRecord&) const = default;
};

struct PlatformVersion {
    std::string system, release, version;
};

class ClientConfig {
public:
    explicit ClientConfig(ConfigEnvironment environment);
    ClientConfig(const ClientConfig&) = delete;
    ClientConfig& operator=(const ClientConfig&) = delete;

    // Save groups: each writes only its own keys, all of them in one replacement of the file.
    // A group that could not be written is reported (SetNotSavedHandler) and written again
    // with the next save of any group.
    bool SaveGeneral(); // also writes or removes the autostart entry
    bool SaveAudio();
    bool SaveComm();    // includes UserServer IPAddr and IPPort
    bool SaveVideo();

    // A keep-alive answer's TTL of seconds: the stored TTL becomes a third of it (in ms) when
    // it is unset or longer, and General is saved. True when it changed.
    bool ApplyServerTtl(int seconds);
    // Called with the file's path whenever the settings file or "User.dat" could not be
    // written, on the thread that saved; at once when a write at load already failed.
    using NotSavedHandler = std::function<void(const std::string& file)>;
    void SetNotSavedHandler(NotSavedHandler handler);

    // Records an installed update file and its version in section Update.
    bool RecordUpdateFile(const std::string& fileName, int version);

    // Puts number first in the user list and rewrites "User.dat". A number or digest with
    // blanks, commas or control characters is refused.
    bool StoreUser(const std::string& number, const std::string& digest, bool keepNoDigest);

    // Unpacks "orv.dat", then "Conf.dat", into "SkinFile" in the home folder.
    bool UnpackSkinData(std::string* error = nullptr);
    bool RemoveSkinTree();
    std::string SkinFolder(SkinWindow window) const;
    std::string SkinFile(SkinWindow window) const;

    UserServerSettings& UserServer() { return m_userServer; }
    GeneralSettings& General() { return m_general; }
    CommSettings& Comm() { return m_comm; }
    AudioSettings& Audio() { return m_audio; }
    VideoSettings& Video() { return m_video; }

    const std::string& ProgramFolder() const { return m_env.programFolder; }
    const std::string& ProgramPath() const { return m_programPath; }
    const std::string& HomeFolder() const { return m_env.homeFolder; }
    const std::string& SettingsFile() const { return m_settingsFile; }
    const std::vector<std::string>& SoundInputDevices() const { return m_soundInputDevices; }
    const std::vector<std::string>& ImagingDevices() const { return m_imagingDevices; }
    int ImagingDeviceCount() const { return static_cast<int>(m_imagingDevices.size()); }
    // Always 10 presets; those without a key in "VD.CFG" stay zero.
    const std::vector<VideoPreset>& VideoPresets() const { return m_videoPresets; }
    const std::vector<UpdateFileRecord>& UpdateFiles() const { return m_updateFiles; }
    const std::vector<std::string>& UserList() const { return m_userList; }
    const std::vector<std::string>& BandwidthPresets() const { return m_bandwidthPresets; }
    const PlatformVersion& Platform() const { return m_platform; }
    bool IsLoaded() const { return m_loaded; }

private:
    void Load();
    void LoadGeneral();
    void LoadCommAndMedia();
    void LoadVideoPresets();
    void ChooseSoundDevice();
    void ChooseImagingDevice();
    void LoadAudioCodecs();
    void LoadUpdateList();
    enum SaveGroup : unsigned {
        kSaveGeneral = 1,
        kSaveAudio = 2,
        kSaveComm = 4,
        kSaveVideo = 8,
        kSaveAudioDevice = 16, // Audio Device alone, written at load
    };
    // Writes the groups and those still unsaved in one batch.
    bool SaveGroups(unsigned groups);
    void ReportNotSaved(const std::string& file);
    // Settings/data file in the home folder, else the program folder (shipped files).
    std::string ShippedFile(const std::string& name) const;

    CriticalSection m_lock;
    ConfigEnvironment m_env;
    std::string m_programPath;
    std::string m_settingsFile;
    UserServerSettings m_userServer;
    GeneralSettings m_general;
    CommSettings m_comm;
    AudioSettings m_audio;
    VideoSettings m_video;
    std::vector<std::string> m_soundInputDevices;
    std::vector<std::string> m_imagingDevices;
    std::vector<VideoPreset> m_videoPresets = std::vector<VideoPreset>(kMaxVideoPresets);
    std::vector<UpdateFileRecord> m_updateFiles;
    std::vector<std::string> m_userList;
    std::vector<std::string> m_bandwidthPresets;
    PlatformVersion m_platform;
    bool m_loaded = false;
    unsigned m_unsavedGroups = 0;
    NotSavedHandler m_notSaved;
};

// The process-wide configuration (set once at start-up by the application).
ClientConfig* TheConfig();
void SetTheConfig(ClientConfig* config);

} // namespace orv
