#include "client/data/settings_batch.h"

#include "client/data/atomic_file.h"
#include "client/data/damaged_file.h"
#include "platform/profile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orv {

SettingsBatch::SettingsBatch(std::string file) : m_file(std::move(file)) {
    // A settings file is a few kilobytes; one too large to copy whole is never replaced.
    constexpr std::size_t kMaxSettingsFile = 16u << 20;
    std::vector<std::uint8_t> bytes;
    const bool exists = ReadFileBytes(m_file, kMaxSettingsFile + 1, &bytes);
    if (!exists && errno != ENOENT) return; // present but unreadable: refuse to replace it
    if (bytes.size() > kMaxSettingsFile) return;
    // Lines of noise or a torn write are not carried over; the file as it was is kept
    // beside itself when the batch replaces it.
    m_damaged = DropDamagedSettingsLines(&bytes);
    m_copy = m_file + ".batch-XXXXXX";
    const int fd = ::mkstemp(m_copy.data());
    if (fd < 0) {
        m_copy.clear();
        return;
    }
    ::fchmod(fd, ModeForReplacing(m_file));
    ::close(fd);
    m_ok = bytes.empty() || WriteFileAtomically(m_copy, bytes);
}

SettingsBatch::~SettingsBatch() {
    if (!m_copy.empty() && !m_committed) ::unlink(m_copy.c_str());
}

bool SettingsBatch::WriteString(const std::string& section, const char* key, const char* value) {
    m_ok = m_ok && WriteProfileString(section, key, value, m_copy);
    return m_ok;
}

bool SettingsBatch::WriteInt(const std::string& section, const std::string& key, int value) {
    m_ok = m_ok && WriteProfileInt(section, key, value, m_copy);
    return m_ok;
}

bool SettingsBatch::Commit() {
    if (!m_ok || m_committed) return false;
    const int fd = ::open(m_copy.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || (m_damaged && !KeepDamagedFile(m_file))) return false;
    if (::rename(m_copy.c_str(), m_file.c_str()) != 0) return false;
    m_committed = true;
    SyncParentFolder(m_file);
    return true;
}

} // namespace orv
