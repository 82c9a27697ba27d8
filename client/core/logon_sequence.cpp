#include "client/core/logon_sequence.h"

#include "client/log/log.h"
#include "client/update/update_serv_handler.h"
#include "client/userserver/update_report.h"
#include "client/userserver/user_serv_handler.h"

#include <cstdint>

namespace orv {

int LogonFailureText(std::int32_t reason) {
    switch (reason) {
    case -1: return 10;  // "System Busy"
    case -2: return 11;  // "ORV number does not exist"
    case -3: return 12;  // "Invalid password"
    case -5: return 14;  // "ORV number is in black list"
    case -6: return 15;  // "Invalid user type"
    case -7: return 16;  // "Expired ORV number/account"
    case -8: return 17;  // "ORV number locked ..."
    case -9: return 18;  // "ORV number is not active"
    case -13: return 8;  // "Invalid USB Phone serial number"
    case -18: return 5;  // "ORV number has been reported to be lost"
    case -19: return 6;  // "ORV number has been canceled"
    default: return 7;   // "unknown reason"
    }
}

LogonSequence::LogonSequence(CUserServHandler& handler, Done done)
    : m_handler(handler), m_done(std::move(done)),
      m_window(std::make_unique<FunctionWindow>(
          [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); })) {
    m_window->Create("LogonSequence");
}

LogonSequence::~LogonSequence() {
    m_download.reset();
    m_handler.SetLogonWindow(0);
    m_window->Destroy();
}

HWND LogonSequence::Window() const { return m_window->GetSafeHwnd(); }

bool LogonSequence::Start(LogonMode mode, const LogonRequest& request) {
    // A new start replaces the running one. A reconnect also drops what the lost session
    // still waits for: a keep-alive or request timing out later would start another.
    if (m_running || mode == LogonMode::Reconnect) m_handler.CancelLogin();
    m_running = false;
    m_mode = mode;
    m_handler.SetLogonWindow(Window());
    if (!m_handler.SetServerAddr(request.host.c_str(), request.port)) return false;
    if (mode != LogonMode::UpdateCheck) {
        if (!m_handler.SetLoginInfo(request.number.c_str(), request.digest.c_str())) return false;
        m_handler.SetBindValue(request.bindValue);
    }
    int sent = 0;
    switch (mode) {
    case LogonMode::Logon: sent = m_handler.QuerySvrIPPort(kLogonAttempts); break;
    case LogonMode::Reconnect: sent = m_handler.DoFileUpdateQuery(-1); break;
    case LogonMode::UpdateCheck: sent = m_handler.DoFileUpdateQuery(kLogonAttempts); break;
    }
    m_running = sent != 0;
    return m_running;
}

void LogonSequence::Cancel() {
    if (!m_running) return;
    m_download.reset();
    m_handler.ReleaseUpdateHandler();
    m_handler.CancelLogin();
    Finish({LogonOutcomeKind::Cancelled});
}

LRESULT LogonSequence::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LOGON_RESULT:
        if (m_running) OnLogonResult(wParam, lParam);
        break;
    case WM_SERVER_FAILURE:
        delete[] reinterpret_cast<std::uint8_t*>(lParam); // the timed-out request copy is ours
        if (m_running) OnRequestTimeout(static_cast<std::uint16_t>(wParam));
        break;
    case WM_UPDATE_REPORT:
        if (m_download) {
            if (m_download->OnReport(wParam, lParam)) FinishDownload();
        } else if (wParam == kUpdateProgress) {
            delete[] reinterpret_cast<std::uint32_t*>(lParam);
        } else if (m_running) {
            OnUpdateReport(wParam);
        }
        break;
    default: break;
    }
    return 0;
}

void LogonSequence::OnLogonResult(WPARAM code, LPARAM reason) {
    if (code == 0) {
        Finish({LogonOutcomeKind::LoggedOn});
        return;
    }
    LogonOutcome outcome;
    if (code == kResultFailure) {
        outcome.kind = LogonOutcomeKind::Refused;
        outcome.reason = static_cast<std::int32_t>(reason);
        outcome.titleText = kTextLogonFailedTitle;
        outcome.messageText = LogonFailureText(outcome.reason);
    } else {
        // An answer that could not be used: the logon failed all the same, and says so.
        outcome.kind = LogonOutcomeKind::Failed;
        outcome.code = static_cast<std::uint32_t>(code);
        outcome.titleText = kTextLogonFailedTitle;
        outcome.messageText = kTextServerFailed;
    }
    Finish(outcome);
}

void LogonSequence::OnRequestTimeout(std::uint16_t type) {
    if (type != PKT_LOGIN && type != PKT_QUERY_SVR_IPPORT && type != PKT_FILE_UPDATE_QUERY) return;
    LogonOutcome outcome;
    outcome.kind = LogonOutcomeKind::TimedOut;
    outcome.request = type;
    outcome.titleText = kTextLogonFailedTitle;
    outcome.messageText = kTextLogonTimeout;
    Finish(outcome);
}

void LogonSequence::OnUpdateReport(WPARAM code) {
    LogonOutcome outcome;
    outcome.kind = LogonOutcomeKind::UpdateFailed;
    outcome.updateCode = static_cast<int>(code);
    outcome.titleText = kTextInformationTitle;
    switch (code) {
    case kUpdateNoServer:
        GoOnWithoutUpdate();
        return;
    case kUpdateConnectTimeout:
    case kUpdateListTimeout:
        outcome.messageText = kTextConnectingTimeout;
        Finish(outcome);
        return;
    case kUpdateLinkClosed:
        outcome.messageText = kTextNetworkError;
        Finish(outcome);
        return;
    case kUpdateListReady:
        StartDownload();
        return;
    default: return;
    }
}

void LogonSequence::StartDownload() {
    UpdateServHandler* update = m_handler.TakeUpdateHandler();
    if (update != nullptr) {
        m_download = std::make_unique<UpdateDownload>(update, m_downloadListener);
        if (m_download->Start()) return;
        m_download.reset();
    }
    m_handler.ReleaseUpdateHandler();
    GoOnWithoutUpdate();
}

void LogonSequence::StopDownload() {
    if (!m_download) return;
    m_download->Stop();
    FinishDownload();
}

void LogonSequence::FinishDownload() {
    // The install runs whatever ended the download: what is complete goes in.
    const bool installed = m_download->Install();
    m_download.reset();
    m_handler.ReleaseUpdateHandler();
    m_handler.SetFilesInstalled(installed);
    if (!installed) {
        GoOnWithoutUpdate();
        return;
    }
    LogonOutcome outcome;
    outcome.kind = LogonOutcomeKind::UpdateInstalled;
    outcome.titleText = kTextInformationTitle;
    outcome.messageText = kTextFilesUpdated;
    Finish(outcome);
}

void LogonSequence::GoOnWithoutUpdate() {
    m_handler.SetFilesInstalled(false);
    switch (m_mode) {
    case LogonMode::Reconnect:
        if (m_handler.QuerySvrIPPort(-1) == 0) Finish({LogonOutcomeKind::Failed});
        break;
    case LogonMode::UpdateCheck: Finish({LogonOutcomeKind::NoUpdate}); break;
    case LogonMode::Logon: break; // the logon answer ends it
    }
}

void LogonSequence::Finish(LogonOutcome outcome) {
    m_running = false;
    if (m_done) m_done(outcome);
}

} // namespace orv
