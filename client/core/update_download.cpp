#include "client/core/update_download.h"

#include "client/update/update_serv_handler.h"
#include "client/userserver/update_report.h"

namespace orv {

namespace {

constexpr int kTextNetworkErrorBeforeConnect = 85; // "Network error"
constexpr int kTextConnectingTimeout = 86;
constexpr int kTextNetworkError = 87;

} // namespace

UpdateDownload::UpdateDownload(UpdateServHandler* handler, Listener listener)
    : m_handler(handler), m_listener(std::move(listener)) {
    m_files = m_handler->DownloadList();
}

UpdateDownload::~UpdateDownload() {
    m_handler->SetReceiverWindow(0);
    m_handler->ReleaseUse();
}

bool UpdateDownload::Start() {
    if (m_files.empty()) return false;
    UpdateDownloadStep list;
    list.kind = UpdateDownloadStep::List;
    list.files = m_files;
    Tell(list);
    m_handler->DoDownFile(m_files[0], 0);
    return true;
}

bool UpdateDownload::OnReport(WPARAM code, LPARAM value) {
    if (code == kUpdateProgress) {
        const auto* pair = reinterpret_cast<std::uint32_t*>(value);
        const std::uint32_t received = pair != nullptr ? pair[0] : 0;
        const std::uint32_t expected = pair != nullptr ? pair[1] : 0;
        delete[] pair;
        if (m_done) return true;
        UpdateDownloadStep step;
        step.kind = UpdateDownloadStep::Progress;
        step.index = m_current;
        step.file = m_files[m_current].name;
        step.received = received;
        step.expected = expected;
        step.percent = expected == 0 ? 0 : static_cast<int>(std::uint64_t{received} * 100 / expected);
        if (received < expected) {
            // A file arrives in many pieces: each percent is told once.
            if (step.percent != m_toldPercent) Tell(step);
            m_toldPercent = step.percent;
            return false;
        }
        Tell(step);
        m_toldPercent = -1;
        if (++m_current < m_files.size()) {
            m_handler->DoDownFile(m_files[m_current], 0);
            return false;
        }
        m_done = true;
        return true;
    }
    if (code == kUpdateListReady || m_done) return m_done;
    UpdateDownloadStep failed;
    failed.kind = UpdateDownloadStep::Failed;
    failed.messageText = code == kUpdateNoServer ? kTextNetworkErrorBeforeConnect
                         : code == kUpdateLinkClosed ? kTextNetworkError
                                                     : kTextConnectingTimeout;
    m_done = true; // before the listener, whose message box runs a loop of its own
    Tell(failed);
    return true;
}

bool UpdateDownload::Install() { return m_handler->Install(); }

} // namespace orv
