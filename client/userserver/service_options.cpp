#include "client/userserver/service_options.h"

namespace orv {

void ForwardCache::Set(ForwardRecord record) {
    if (record.AllEmpty()) record.flag = 0;
    std::lock_guard<CriticalSection> lock(m_lock);
    m_record = std::move(record);
}

bool ForwardCache::Get(ForwardRecord* record) const {
    std::lock_guard<CriticalSection> lock(m_lock);
    if (!m_record) return false;
    *record = *m_record;
    return true;
}

void ForwardCache::Clear() {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_record.reset();
}

bool ServiceOptions::KeepSupport(const std::vector<SupportEntry>& entries) {
    std::lock_guard<CriticalSection> lock(m_lock);
    if (!m_support.empty() || entries.empty()) return false;
    m_support = entries;
    return true;
}

std::vector<SupportEntry> ServiceOptions::Support() const {
    std::lock_guard<CriticalSection> lock(m_lock);
    return m_support;
}

void ServiceOptions::SetBindOption(char option) {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_bindOption = option;
}

char ServiceOptions::BindOption() const {
    std::lock_guard<CriticalSection> lock(m_lock);
    return m_bindOption;
}

void ServiceOptions::SetUpdateServer(const ServerAnswerAddress& server) {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_updateServer = server;
}

std::optional<ServerAnswerAddress> ServiceOptions::UpdateServer() const {
    std::lock_guard<CriticalSection> lock(m_lock);
    return m_updateServer;
}

void ServiceOptions::SetAccountServer(const ServerAnswerAddress& server) {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_accountServer = server;
}

std::optional<ServerAnswerAddress> ServiceOptions::AccountServer() const {
    std::lock_guard<CriticalSection> lock(m_lock);
    return m_accountServer;
}

} // namespace orv
