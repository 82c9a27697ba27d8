#include "client/userserver/client_core.h"

#include "client/data/password_digest.h"
#include "client/log/log.h"
#include "client/net/net_msg_thread.h"
#include "client/userserver/call_control.h"
#include "client/userserver/user_serv_config.h"
#include "client/userserver/user_serv_handler.h"

#include <cstdio>

namespace orv {

namespace {

// Text numbers of the messages the core shows.
constexpr int kTextLogonFailedTitle = 4;
constexpr int kTextLogonTimeout = 83;
constexpr int kTextServerFailed = 92;
constexpr int kTextForcedLogoff = 108;
constexpr int kForcedLogoutElsewhere = 2;

// The refusal reasons of a login answer and the texts that explain them.
int LogonFailureText(std::int32_t reason) {
    switch (reason) {
    case -1: return 10;
    case -2: return 11;
    case -3: return 12;
    case -5: return 14;
    case -6: return 15;
    case -7: return 16;
    case -8: return 17;
    case -9: return 18;
    case -13: return 8;
    case -18: return 5;
    case -19: return 6;
    default: return 7;
    }
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
    m_calls.reset();
    delete m_userServ;
    m_userServ = nullptr;
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
    m_config = CreateClientConfig(m_manageAutostart);
    m_texts.SetLanguage(ConfiguredLanguage(*m_config));
    m_records = CreateCallRecordList();
    m_window = std::make_unique<FunctionWindow>(
        [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); });
    m_window->Create("ClientCore");
    m_userServ = new CUserServHandler(*m_config, m_records.get());
    if (m_userServ->GetLinkId() == 0) {
        *error = "the user-server link could not be created";
        return false;
    }
    m_userServ->SetLogonWindow(m_window->GetSafeHwnd());
    m_userServ->SetMainWindow(m_window->GetSafeHwnd());
    m_calls = std::make_unique<CallControl>(*this);
    return true;
}

bool ClientCore::Logon(const std::string& host, std::uint16_t port, const std::string& number,
                       const std::string& password, std::uint32_t bindValue) {
    if (m_userServ == nullptr) return false;
    std::string digest = PasswordDigest(number, password);
    if (!m_userServ->SetLoginInfo(number.c_str(), digest.c_str())) return false;
    if (!m_userServ->SetServerAddr(host.c_str(), port)) return false;
    m_serverHost = host;
    m_serverPort = port;
    m_userServ->SetBindValue(bindValue);
    m_state = SessionState::LoggingOn;
    Emit({"logon_started", {{"number", number}, {"server", host + ":" + std::to_string(port)}}, "", ""});
    return m_userServ->QuerySvrIPPort(5) != 0;
}

void ClientCore::Logout() {
    if (m_userServ == nullptr) return;
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
    switch (message) {
    case WM_LOGON_RESULT:
        OnLogonResult(wParam, lParam);
        return 0;
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

void ClientCore::OnLogonResult(WPARAM code, LPARAM reason) {
    if (code == 0) {
        m_state = SessionState::LoggedOn;
        CoreStatus s = Status();
        Emit({"logon_complete",
              {{"number", s.number}, {"endpoint", std::to_string(s.endpointId)}, {"custom_name", s.customName},
               {"url", s.serviceUrl}},
              "", ""});
        return;
    }
    m_state = SessionState::Idle;
    if (code == kResultFailure) {
        auto r = static_cast<std::int32_t>(reason);
        Emit({"logon_failed", {{"reason", std::to_string(r)}}, Text(kTextLogonFailedTitle),
              Text(LogonFailureText(r))});
    } else {
        Emit({"logon_failed", {{"code", std::to_string(code)}}, "", ""});
    }
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
    // Log on again at the entry server, trying without limit until it answers.
    m_state = SessionState::Reconnecting;
    m_userServ->SetServerAddr(m_serverHost.c_str(), m_serverPort);
    m_userServ->QuerySvrIPPort(-1);
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

void ClientCore::Emit(CoreEvent event) { m_listener.OnCoreEvent(event); }

} // namespace orv
