#include "client/core/client_core.h"

#include "client/core/call_control.h"
#include "client/core/account_core.h"
#include "client/core/friends_core.h"
#include "client/core/system_config_environment.h"
#include "client/data/call_record_list.h"
#include "client/data/client_config.h"
#include "client/data/orv_number.h"
#include "client/log/log.h"
#include "client/net/net_msg_thread.h"
#include "client/userserver/user_serv_config.h"
#include "client/userserver/user_serv_handler.h"
#include "wire/password_digest.h"

#include <cstdio>

namespace orv {

namespace {

// Text numbers of the messages the core shows.
constexpr int kTextForcedLogoff = 108;
constexpr int kTextInvalidNumber = 125;
constexpr int kForcedLogoutElsewhere = 2;
constexpr int kTextInformation = 1;
constexpr int kTextFileOperationFailed = 149; // "File operation failed: \"%s\""

// Posted to the core's window when a file could not be written.
UINT FileNotSavedMessage() {
    static const UINT message = RegisterWindowMessage("ORV_FILE_NOT_SAVED");
    return message;
}

std::string Hex16(std::uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof(text), "0x%04x", v);
    return text;
}

} // namespace

const char* SessionStateName(SessionState state) {
    switch (state) {
    case SessionState::Idle: return "idle";
    case SessionState::LoggingOn: return "logging_on";
    case SessionState::LoggedOn: return "logged_on";
    case SessionState::Reconnecting: return "reconnecting";
    case SessionState::LoggedOff: return "logged_off";
    }
    return "?";
}

ClientCore::ClientCore(CoreListener& listener, bool manageAutostart)
    : m_listener(listener), m_manageAutostart(manageAutostart) {}

ClientCore::~ClientCore() {
    // Exit order: the handler logs out and stops the timer thread, then the network thread
    // ends (it shuts both link libraries down), then the data objects go.
    m_account.reset();
    m_friends.reset();
    m_calls.reset();
    m_logon.reset();
    delete m_userServ;
    m_userServ = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_notSavedLock);
        m_notSavedWindow = 0;
    }
    m_window.reset();
    SetNetMsgThread(nullptr);
    m_net.reset();
    m_records.reset();
    m_config.reset();
    m_texts.Empty();
}

bool ClientCore::Start(std::string* error) {
    m_texts.Fill();
    m_net = std::make_unique<CNetMsgThread>();
    SetNetMsgThread(m_net.get());
    if (!m_net->IsNetworkReady()) {
        *error = "the network thread could not start its link libraries";
        return false;
    }
    m_config = CreateClientConfig(SystemConfigEnvironment(), m_manageAutostart);
    m_texts.SetLanguage(ConfiguredLanguage(*m_config));
    m_records = CreateCallRecordList();
    m_window = std::make_unique<FunctionWindow>(
        [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); });
    m_window->Create("ClientCore");
    {
        std::lock_guard<std::mutex> lock(m_notSavedLock);
        m_notSavedWindow = m_window->GetSafeHwnd();
    }
    auto notSaved = [this](const std::string& file) { OnFileNotSaved(file); };
    m_config->SetNotSavedHandler(notSaved);
    m_records->SetNotSavedHandler(notSaved);
    m_userServ = new CUserServHandler(*m_config, m_records.get(), &m_texts);
    if (m_userServ->GetLinkId() == 0) {
        *error = "the user-server link could not be created";
        return false;
    }
    m_userServ->SetLogonWindow(m_window->GetSafeHwnd());
    m_userServ->SetMainWindow(m_window->GetSafeHwnd());
    m_friends = std::make_unique<FriendsCore>(*this);
    m_account = std::make_unique<AccountCore>(*this);
    m_calls = std::make_unique<CallControl>(*this);
    return true;
}

bool ClientCore::Logon(const std::string& host, std::uint16_t port, const std::string& number,
                       const std::string& password, std::uint32_t bindValue) {
    if (number.empty() || number.size() > kMaxOrvNumberLength) {
        // The number field could not carry it: refused here with its reason, not after an
        // update check that ends without a word.
        Emit({"logon_failed", {{"number", number}}, Text(kTextLogonFailedTitle), Text(kTextInvalidNumber)});
        return false;
    }
    LogonRequest request{host, port, number, PasswordDigest(number, password), bindValue};
    Emit({"logon_started", {{"number", number}, {"server", host + ":" + std::to_string(port)}}, "", ""});
    bool started = StartLogon(LogonMode::UpdateCheck, request);
    m_logonAfterCheck = started;
    return started;
}

bool ClientCore::StartLogon(LogonMode mode, const LogonRequest& request, LogonSequence::Done done) {
    if (m_userServ == nullptr) return false;
    if (!m_logon) {
        m_logon = std::make_unique<LogonSequence>(
            *m_userServ, [this](const LogonOutcome& outcome) { OnLogonOutcome(outcome); });
        m_logon->SetDownloadListener([this](const UpdateDownloadStep& step) { OnDownloadStep(step); });
    }
    m_logonAfterCheck = false;
    m_logonDone = std::move(done);
    m_logonRequest = request;
    m_serverHost = request.host;
    m_serverPort = request.port;
    m_state = mode == LogonMode::Reconnect ? SessionState::Reconnecting : SessionState::LoggingOn;
    if (!m_logon->Start(mode, request)) {
        m_state = SessionState::Idle;
        return false;
    }
    return true;
}

void ClientCore::CancelLogon() {
    if (m_logon) m_logon->Cancel();
}

void ClientCore::Logout() {
    if (m_userServ == nullptr) return;
    m_logonDone = nullptr;
    CancelLogon();
    if (EndpointID.load() != 0) m_userServ->DoLogout();
    m_userServ->CancelLogin();
    m_state = SessionState::LoggedOff;
    Emit({"logged_out", {}, "", ""});
}

CoreStatus ClientCore::Status() const {
    CoreStatus s;
    s.state = m_state;
    s.endpointId = EndpointID.load();
    s.server = m_serverHost.empty() ? "" : m_serverHost + ":" + std::to_string(m_serverPort);
    if (m_config) s.keepAlivePeriodMs = GetKeepAlivePeriod(*m_config);
    if (m_userServ) {
        s.number = m_userServ->GetUserNumber();
        s.customName = m_userServ->GetCustomName();
        s.serviceUrl = m_userServ->GetBMSURL();
    }
    return s;
}

LRESULT ClientCore::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == FileNotSavedMessage()) {
        TellFilesNotSaved();
        return 0;
    }
    switch (message) {
    case WM_SERVER_FAILURE:
        delete[] reinterpret_cast<std::uint8_t*>(lParam); // the timed-out request copy is ours
        OnServerFailure(static_cast<std::uint16_t>(wParam));
        return 0;
    case WM_FORCED_LOGOUT:
        OnForcedLogout(wParam);
        return 0;
    default:
        for (const MessageSink& sink : m_sinks) {
            if (sink(message, wParam, lParam)) break;
        }
        return 0;
    }
}

void ClientCore::OnLogonOutcome(const LogonOutcome& outcome) {
    LogonSequence::Done done = std::move(m_logonDone);
    m_logonDone = nullptr;
    std::string title = outcome.titleText ? Text(outcome.titleText) : "";
    std::string text = outcome.messageText ? Text(outcome.messageText) : "";
    switch (outcome.kind) {
    case LogonOutcomeKind::LoggedOn: {
        m_state = SessionState::LoggedOn;
        CoreStatus s = Status();
        Emit({"logon_complete",
              {{"number", s.number}, {"endpoint", std::to_string(s.endpointId)}, {"custom_name", s.customName},
               {"url", s.serviceUrl}},
              "", ""});
        break;
    }
    case LogonOutcomeKind::NoUpdate:
        if (m_logonAfterCheck) { // orvcli's logon: the update check is done, log on now
            m_logonAfterCheck = false;
            m_logonDone = std::move(done);
            if (m_logon->Start(LogonMode::Logon, m_logonRequest)) return;
            m_state = SessionState::Idle;
            Emit({"logon_failed", {{"code", "0"}}, "", ""});
            break;
        }
        m_state = SessionState::Idle;
        Emit({"update_checked", {}, "", ""});
        break;
    case LogonOutcomeKind::UpdateInstalled:
        m_state = SessionState::Idle;
        m_restartForUpdate = true;
        Emit({"update_installed", {{"restart", "1"}}, title, text});
        break;
    case LogonOutcomeKind::Refused:
        m_state = SessionState::Idle;
        Emit({"logon_failed", {{"reason", std::to_string(outcome.reason)}}, title, text});
        break;
    case LogonOutcomeKind::Failed:
        m_state = SessionState::Idle;
        Emit({"logon_failed", {{"code", std::to_string(outcome.code)}}, title, text});
        break;
    case LogonOutcomeKind::TimedOut:
        m_state = SessionState::Idle;
        Emit({"logon_timeout", {{"request", Hex16(outcome.request)}}, "", text});
        break;
    case LogonOutcomeKind::UpdateFailed:
        m_state = SessionState::Idle;
        Emit({"update_failed", {{"code", std::to_string(outcome.updateCode)}}, title, text});
        break;
    case LogonOutcomeKind::Cancelled:
        if (m_state != SessionState::LoggedOff) m_state = SessionState::Idle;
        break;
    }
    m_logonAfterCheck = false;
    if (done) done(outcome);
}

void ClientCore::OnServerFailure(std::uint16_t type) {
    if (m_state == SessionState::LoggedOff) return; // result messages are ignored once off
    bool logonRequest = type == PKT_LOGIN || type == PKT_QUERY_SVR_IPPORT || type == PKT_FILE_UPDATE_QUERY;
    if (logonRequest && (m_state == SessionState::LoggingOn || m_state == SessionState::Idle)) {
        m_state = SessionState::Idle;
        Emit({"logon_timeout", {{"request", Hex16(type)}}, "", Text(kTextLogonTimeout)});
        return;
    }
    if (type == PKT_WANT_RELOGON) {
        Emit({"relogon_demand", {}, "", ""});
        Reconnect();
        return;
    }
    if (m_state == SessionState::Reconnecting && logonRequest) return; // unlimited tries
    // A keep-alive without answer, or any other lost request: the server is gone.
    Emit({type == PKT_KEEPALIVE ? "keepalive_timeout" : "server_failure", {{"request", Hex16(type)}}, "",
          Text(kTextServerFailed)});
    Reconnect();
}

void ClientCore::Reconnect() {
    // The update check and the logon again at the entry server, trying without limit.
    StartLogon(LogonMode::Reconnect, m_logonRequest);
}

void ClientCore::OnForcedLogout(WPARAM code) {
    if (m_state == SessionState::LoggedOff) return;
    m_state = SessionState::LoggedOff;
    std::string text;
    if (code == kForcedLogoutElsewhere) {
        char line[512];
        std::snprintf(line, sizeof(line), Text(kTextForcedLogoff).c_str(), m_userServ->GetUserNumber().c_str());
        text = line;
    }
    Emit({"forced_logoff", {{"code", std::to_string(code)}}, "", text});
}

void ClientCore::OnFileNotSaved(const std::string& file) {
    std::lock_guard<std::mutex> lock(m_notSavedLock);
    if (m_notSavedWindow == 0) return; // the core is going: nobody left to tell
    m_notSaved.push_back(file);
    PostMessage(m_notSavedWindow, FileNotSavedMessage(), 0, 0);
}

void ClientCore::TellFilesNotSaved() {
    std::vector<std::string> files;
    {
        std::lock_guard<std::mutex> lock(m_notSavedLock);
        files.swap(m_notSaved);
    }
    for (const std::string& file : files) {
        std::string text;
        if (m_toldNotSaved.insert(file).second) {
            char line[1024];
            std::snprintf(line, sizeof(line), Text(kTextFileOperationFailed).c_str(), file.c_str());
            text = line;
        }
        Emit({"file_not_saved", {{"file", file}}, text.empty() ? "" : Text(kTextInformation), text});
    }
}

void ClientCore::Emit(CoreEvent event) { m_listener.OnCoreEvent(event); }

} // namespace orv
