// Writes a group of settings keys as one change: the keys go to a copy of the settings file,
// which then replaces the file in one rename. A crash or a full disk in the middle of a
// group (for example while the update list is renumbered) leaves the old file whole. The
// new file keeps the old one's permissions; an old file with damaged lines is kept beside
// itself (damaged_file.h) and its damaged lines are not carried over.
#pragma once

#include <string>

namespace orv {

class SettingsBatch {
public:
    explicit SettingsBatch(std::string file);
    ~SettingsBatch(); // drops the copy unless committed
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;

    // The copy to read and write through the profile functions.
    const std::string& File() const { return m_copy; }
    bool WriteString(const std::string& section, const char* key, const char* value);
    bool WriteString(const std::string& section, const std::string& key, const std::string& value) {
        return WriteString(section, key.c_str(), value.c_str());
    }
    bool WriteInt(const std::string& section, const std::string& key, int value);
    // Replaces the settings file with the copy; false (file untouched) when any write failed.
    bool Commit();

private:
    std::string m_file;
    std::string m_copy;
    bool m_ok = false;
    bool m_committed = false;
    bool m_damaged = false;
};

} // namespace orv
