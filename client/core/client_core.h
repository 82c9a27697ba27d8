// ClientCore: the process-wide core that both front-ends drive. It owns the text table,
// the network thread, the configuration, the call record store and the user-server
// handler, runs the logon sequence, and turns the handler's window messages into events
// with the texts the user should see. It lives on the thread that created it (the
// user-interface thread), whose message loop must run.
#pragma once

#include "client/text/text_table.h"
#include "client/core/logon_sequence.h"
#include "client/userserver/user_serv_config.h"
#include "platform/message.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orv {

class CNetMsgThread;
class ClientConfig;
class CallRecordList;
class CUserServHandler;
class FriendsCore;
class AccountCore;
class CallControl;

// One event for the front-end: a name, key=value fields, and, where the desktop client
// would show a message, the title and text of it from the text table.
struct CoreEvent {
    std::string name;
    std::vector<std::pair<std::string, std::string>> fields;
    std::string title; // empty when there is no message to show
    std::string text;
};

class CoreListener {
public:
    virtual ~CoreListener() = default;
    virtual void OnCoreEvent(const CoreEvent& event) = 0;
};

enum class SessionState { Idle, LoggingOn, LoggedOn, Reconnecting, LoggedOff };
const char* SessionStateName(SessionState state);

struct CoreStatus {
    SessionState state = SessionState::Idle;
    std::string number;
    std::uint32_t endpointId = 0;
    std::string server; // "host:port" of the entry server
    std::uint32_t keepAlivePeriodMs = 0;
    std::string customName;
    std::string serviceUrl;
};

class ClientCore {
public:
    // manageAutostart: the front-ends keep the start-with-the-system entry (which starts the
    // desktop client) in step with the configuration; a core built without it, as in the
    // core's own tests, leaves the user's entry alone.
    explicit ClientCore(CoreListener& listener, bool manageAutostart = false);
    ~ClientCore(); // logs out and tears everything down in the exit order
    ClientCore(const ClientCore&) = delete;
    ClientCore& operator=(const ClientCore&) = delete;

    // Creates the long-lived objects; false (with a message in *error) when one fails.
    bool Start(std::string* error);

    // Starts a logon at the entry server, the update check first: the password digest is
    // made from the number and the password; bindValue is the handset's customer number (0
    // without one).
    bool Logon(const std::string& host, std::uint16_t port, const std::string& number,
               const std::string& password, std::uint32_t bindValue = 0);
    // Runs one mode of the logon sequence (the connection dialog's job); the core keeps its
    // state and events as for Logon, then calls done (may be empty) with the outcome.
    bool StartLogon(LogonMode mode, const LogonRequest& request, LogonSequence::Done done = {});
    void CancelLogon();
    // Ends a live update's download early; what is complete is installed.
    void StopUpdateDownload();
    // Set when a live update handed files to the updater: the front-end ends, then calls
    // StartUpdater, which starts "updater" from the program folder.
    bool RestartForUpdate() const { return m_restartForUpdate; }
    bool StartUpdater() const;
    // Also told each step of a live update's download (the connection dialog's "Live
    // Update" dialog); empty to stop.
    void SetDownloadObserver(UpdateDownload::Listener observer) { m_downloadObserver = std::move(observer); }
    // The last logon started (the reconnect logs on with it again).
    const LogonRequest& LastLogonRequest() const { return m_logonRequest; }
    // Logs out (once registered) and ends the session, or cancels a logon in progress.
    void Logout();
    CoreStatus Status() const;

    const TextTable& Texts() const { return m_texts; }
    // Makes a language current (0 Chinese, 1 English, 2 Japanese) for every text shown next.
    void SetLanguage(int language) { m_texts.SetLanguage(language); }
    CUserServHandler* UserServ() const { return m_userServ; }
    // The friend list, the address list file and the service options (null until Start).
    FriendsCore* Friends() const { return m_friends.get(); }
    // Balance query and refill (null until Start).
    AccountCore* Account() const { return m_account.get(); }
    ClientConfig* Config() const { return m_config.get(); }
    CallRecordList* Records() const { return m_records.get(); }
    // The call controls both front-ends drive (null until Start succeeded).
    CallControl* Calls() const { return m_calls.get(); }
    // The core's window: the handler's logon and main window until a front-end sets its own.
    HWND Window() const { return m_window ? m_window->GetSafeHwnd() : 0; }

    // A feature component (friends, calls, ...) that takes the messages posted to the
    // core's window which the core does not handle itself: true when it took the message
    // (and with it any heap block in lParam). Sinks are asked in the order they were added.
    using MessageSink = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam)>;
    void AddMessageSink(MessageSink sink) { m_sinks.push_back(std::move(sink)); }
    // Hands an event to the front-end.
    void Emit(CoreEvent event);

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnLogonOutcome(const LogonOutcome& outcome);
    void OnDownloadStep(const UpdateDownloadStep& step);
    void OnServerFailure(std::uint16_t type);
    void OnForcedLogout(WPARAM code);
    // Files the configuration or the call records could not write, reported from any thread
    // and told as "file_not_saved" events on this one; the message box once per file.
    void OnFileNotSaved(const std::string& file);
    void TellFilesNotSaved();
    void Reconnect();
    std::string Text(int number) const { return m_texts.Text(number); }

    CoreListener& m_listener;
    TextTable m_texts;
    std::unique_ptr<CNetMsgThread> m_net;
    bool m_manageAutostart;
    ConfigPtr m_config;
    RecordsPtr m_records;
    CUserServHandler* m_userServ = nullptr; // deleted directly at exit, on this thread
    std::unique_ptr<FunctionWindow> m_window;
    std::unique_ptr<FriendsCore> m_friends; // made after the handler, gone before it
    std::unique_ptr<AccountCore> m_account; // made after the handler, gone before it
    std::vector<MessageSink> m_sinks;
    std::unique_ptr<LogonSequence> m_logon;
    LogonSequence::Done m_logonDone; // the caller's part of the running logon
    LogonRequest m_logonRequest;     // the last logon started, for the reconnect
    bool m_logonAfterCheck = false;  // Logon: the update check is followed by the logon
    bool m_restartForUpdate = false;
    UpdateDownload::Listener m_downloadObserver;
    std::unique_ptr<CallControl> m_calls; // made after the handler, gone before it
    SessionState m_state = SessionState::Idle;
    std::mutex m_notSavedLock;
    HWND m_notSavedWindow = 0;           // where reports go; 0 once the core is going
    std::vector<std::string> m_notSaved; // reported, not yet told
    std::set<std::string> m_toldNotSaved;
    std::string m_serverHost;
    std::uint16_t m_serverPort = 0;
};

} // namespace orv
