// ClientConfig: the save groups and the other changes written back after load.
#include "client/data/autostart_entry.h"
#include "client/data/client_config.h"
#include "client/data/config_text.h"
#include "client/data/settings_batch.h"
#include "client/data/skin_unpack.h"
#include "client/data/user_list_file.h"
#include "client/log/log.h"
#include "platform/paths.h"
#include "platform/profile.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

namespace orv {

namespace {

const char* LanguageName(const GeneralSettings& general) {
    if (general.languageNotSet) return "";
    switch (general.language) {
    case kLanguageChinese: return "Chinese";
    case kLanguageEnglish: return "English";
    case kLanguageJapanese: return "Japanese";
    }
    return "";
}

// Writes the list's codes; slots up to minSlots that the list does not fill are written as
// 0 (none), so that a shorter list does not leave an older list's codes behind.
void WriteCodecList(SettingsBatch& batch, const std::string& section, const std::vector<std::uint8_t>& codes,
                    std::size_t minSlots = 0) {
    for (std::size_t n = 0; n < std::max(codes.size(), minSlots); ++n) {
        batch.WriteInt(section, "Codec" + std::to_string(n), n < codes.size() ? codes[n] : 0);
    }
}

} // namespace

bool ClientConfig::SaveGeneral() {
    std::lock_guard<CriticalSection> guard(m_lock);
    const bool autostartOk = m_general.autoRun
                                 ? WriteAutostartEntry(m_env.autostartFolder, m_programPath)
                                 : RemoveAutostartEntry(m_env.autostartFolder);
    if (!autostartOk) WriteLog(3, "ClientConfig: cannot change the autostart entry");
    return SaveGroups(kSaveGeneral) && autostartOk;
}

bool ClientConfig::SaveAudio() {
    std::lock_guard<CriticalSection> guard(m_lock);
    return SaveGroups(kSaveAudio);
}

bool ClientConfig::SaveComm() {
    std::lock_guard<CriticalSection> guard(m_lock);
    return SaveGroups(kSaveComm);
}

bool ClientConfig::SaveVideo() {
    std::lock_guard<CriticalSection> guard(m_lock);
    return SaveGroups(kSaveVideo);
}

bool ClientConfig::SaveGroups(unsigned groups) {
    std::lock_guard<CriticalSection> guard(m_lock);
    groups |= m_unsavedGroups;
    SettingsBatch batch(m_settingsFile);
    if (groups & kSaveGeneral) {
        batch.WriteInt("General", "AutoRun", m_general.autoRun);
        batch.WriteInt("General", "FriendsTree", m_general.friendsTree);
        batch.WriteInt("General", "HeadsetButtons", m_general.headsetButtons);
        batch.WriteInt("General", "TTL", m_general.ttl);
        batch.WriteString("General", "Language", LanguageName(m_general));
    }
    if (groups & (kSaveAudio | kSaveAudioDevice)) batch.WriteString("Audio", "Device", m_audio.device);
    if (groups & kSaveAudio) {
        batch.WriteInt("Audio", "Mix", m_audio.mix);
        batch.WriteInt("Audio", "EchoCancel", m_audio.echoCancel);
        if (m_audio.playVolume >= 0) batch.WriteInt("Audio", "PlayVolume", m_audio.playVolume);
        if (m_audio.recordVolume >= 0) batch.WriteInt("Audio", "RecordVolume", m_audio.recordVolume);
        WriteCodecList(batch, "Audio", m_audio.captureCodecs, kAudioCodecSlots);
    }
    if (groups & kSaveComm) {
        batch.WriteString("UserServer", "IPAddr", m_userServer.address);
        batch.WriteInt("UserServer", "IPPort", m_userServer.port);
        batch.WriteString("Comm", "BandWidth", m_comm.bandWidth);
        batch.WriteInt("Comm", "AudioPort", m_comm.audioPort);
        batch.WriteInt("Comm", "VideoPort", m_comm.videoPort);
        batch.WriteInt("Comm", "UserPort", m_comm.userPort);
        batch.WriteInt("Comm", "ORVPort", m_comm.orvPort);
        batch.WriteInt("Comm", "RecvTimeOut", m_comm.recvTimeOut);
        batch.WriteInt("Comm", "KeepAlive", m_comm.keepAlive);
        batch.WriteInt("Comm", "AutoAlloc", m_comm.autoAlloc);
    }
    if (groups & kSaveVideo) {
        batch.WriteString("Video", "Device", m_video.device);
        batch.WriteInt("Video", "FrameRate", m_video.frameRate);
        batch.WriteInt("Video", "FlowRate", m_video.flowRate);
        batch.WriteInt("Video", "VideoFormat", m_video.videoFormat);
        batch.WriteInt("Video", "VideoQual", m_video.videoQual);
        WriteCodecList(batch, "Video", m_video.captureCodecs);
    }
    if (batch.Commit()) {
        m_unsavedGroups = 0;
        return true;
    }
    // Kept in memory and written with the next change of any group.
    m_unsavedGroups = groups;
    ReportNotSaved(m_settingsFile);
    return false;
}

void ClientConfig::ReportNotSaved(const std::string& file) {
    WriteLog(2, "ClientConfig: cannot write %s", file.c_str());
    if (m_notSaved) m_notSaved(file);
}

void ClientConfig::SetNotSavedHandler(NotSavedHandler handler) {
    std::lock_guard<CriticalSection> guard(m_lock);
    m_notSaved = std::move(handler);
    if (m_unsavedGroups != 0 && m_notSaved) m_notSaved(m_settingsFile);
}

bool ClientConfig::ApplyServerTtl(int seconds) {
    std::lock_guard<CriticalSection> guard(m_lock);
    if (seconds <= 0) return false;
    const auto third = static_cast<int>(std::min<std::int64_t>(std::int64_t{seconds} * 1000 / 3, INT32_MAX));
    if (m_general.ttl != 0 && m_general.ttl <= third) return false;
    m_general.ttl = third;
    SaveGeneral();
    return true;
}

bool ClientConfig::RecordUpdateFile(const std::string& fileName, int version) {
    std::lock_guard<CriticalSection> guard(m_lock);
    const std::string record = fileName + "," + std::to_string(version);
    std::vector<std::string> keys, values;
    for (const std::string& key : GetProfileKeys("Update", m_settingsFile)) {
        std::string value = GetProfileString("Update", key, "", m_settingsFile);
        if (value.empty()) continue;
        keys.push_back(key);
        values.push_back(std::move(value));
    }
    SettingsBatch batch(m_settingsFile);
    bool listed = false;
    for (std::size_t i = 0; i < values.size() && !listed; ++i) {
        if (UpperCase(SplitAtCommas(values[i]).front()) == UpperCase(fileName)) {
            batch.WriteString("Update", keys[i], record);
            listed = true;
        }
    }
    if (!listed) {
        // A new file: the section is rewritten with its keys renumbered 0..n.
        batch.WriteString("Update", nullptr, nullptr);
        for (std::size_t i = 0; i < values.size(); ++i) {
            batch.WriteString("Update", std::to_string(i), values[i]);
        }
        batch.WriteString("Update", std::to_string(values.size()), record);
    }
    const bool ok = batch.Commit();
    if (!ok) ReportNotSaved(m_settingsFile);
    LoadUpdateList();
    return ok;
}

bool ClientConfig::StoreUser(const std::string& number, const std::string& digest,
                             bool keepNoDigest) {
    std::lock_guard<CriticalSection> guard(m_lock);
    if (!IsStorableUser(number, digest)) {
        WriteLog(3, "ClientConfig: number \"%.40s\" cannot be stored in the user list", number.c_str());
        return false;
    }
    PutUserFirst(&m_userList, number, digest, keepNoDigest);
    // The whole list is written again with the next change.
    const std::string file = JoinPath(m_env.homeFolder, kUserListFile);
    if (WriteUserListFile(file, m_userList)) return true;
    ReportNotSaved(file);
    return false;
}

bool ClientConfig::UnpackSkinData(std::string* error) {
    const std::string destination = JoinPath(m_env.homeFolder, kSkinRootFolder);
    for (const char* archive : {kMainSkinArchive, kConferenceSkinArchive}) {
        if (!UnpackSkinArchive(ShippedFile(archive), destination, error)) return false;
    }
    return true;
}

bool ClientConfig::RemoveSkinTree() {
    return orv::RemoveSkinTree(JoinPath(m_env.homeFolder, kSkinRootFolder));
}

std::string ClientConfig::SkinFolder(SkinWindow window) const {
    return SkinFolderPath(m_env.homeFolder, window);
}

std::string ClientConfig::SkinFile(SkinWindow window) const {
    return SkinFilePath(m_env.homeFolder, window);
}

} // namespace orv
