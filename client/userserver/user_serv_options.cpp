// Service options after logon: offline calls (into the call record store), the support
// block, the password change, the bind option, and the two server addresses the user server
// relays (update server, account server).
#include "client/data/call_record_list.h"
#include "client/data/client_config.h"
#include "client/userserver/update_report.h"
#include "client/userserver/user_serv_config.h"
#include "client/userserver/user_serv_common.h"
#include "client/userserver/user_serv_handler.h"
#include "client/account/acct_serv_handler.h"
#include "client/update/update_install.h"
#include "client/update/update_serv_handler.h"

#include <cstring>
#include <mutex>

namespace orv {

void CUserServHandler::OnGetOfflineCallAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    OfflineCallsAnswer answer;
    if (!ParseOfflineCallsAnswer(body, size, &answer)) {
        WriteLog(3, "OnGetOfflineCallAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnGetOfflineCallAck");
        return;
    }
    // A second answer to a resent request would store every call twice: only the answer
    // that finds its request counts.
    if (!FindPending(h.seqNum, h.type, 2, true)) {
        WriteLog(3, "Get OfflineCall Packet, But Something seems Error in Local Packet list");
        return;
    }
    const int count = answer.notReady ? kListNotReady : static_cast<int>(answer.calls.size());
    WriteLog(3, "Get Offline Call Info Success Count=%d", count);
    if (answer.notReady) {
        DoGetInfoRequest(PKT_OFFLINE_CALLS, kInfoRetries, kNotReadyDelayMs);
        return;
    }
    if (answer.calls.empty()) return;
    for (auto call = answer.calls.rbegin(); call != answer.calls.rend(); ++call)
        if (m_records != nullptr) m_records->AddOffline(call->time, call->caller, call->called, call->kind);
    // The main window shows the count of unseen offline calls.
    Post(m_mainWnd.load(), WM_OPTIONS_CHANGED, 0, 0);
}

void CUserServHandler::OnGetSupportInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    SupportAnswer answer;
    if (!ParseSupportAnswer(body, size, &answer)) {
        WriteLog(3, "OnGetSupportInfoAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnGetSupportInfoAck");
        return;
    }
    FindPending(h.seqNum, h.type, 2, true);
    const int count = answer.notReady ? kListNotReady : static_cast<int>(answer.entries.size());
    WriteLog(3, "Get Support Info Success Count=%d", count);
    if (answer.notReady) {
        DoGetInfoRequest(PKT_SUPPORT_INFO, kInfoRetries, kNotReadyDelayMs);
        return;
    }
    m_options.KeepSupport(answer.entries); // the first block with entries stays
}

std::string CUserServHandler::GetPasswordField() const {
    std::lock_guard<CriticalSection> lock(m_csLogin);
    return std::string(m_password, strnlen(m_password, kPasswordField));
}

int CUserServHandler::DoSetPwd(const char* newPassword) {
    UseGuard use(this);
    if (newPassword == nullptr || std::strlen(newPassword) >= kPasswordField) return 0;
    if (EndpointID.load() == 0) {
        LogNotRegistered("DoSetPwd");
        return 0;
    }
    std::vector<std::uint8_t> packet;
    {
        std::lock_guard<CriticalSection> lock(m_csLogin);
        packet = BuildSetPasswordRequest(m_number, m_password, newPassword);
    }
    BuildHeader(packet.data(), static_cast<std::uint32_t>(packet.size()), PKT_SET_PASSWORD, 0);
    WriteLog(3, "Set Login Password UserID=%s, OldPwd=%s, NewPwd=%s", GetUserNumber().c_str(), kHiddenSecret,
             kHiddenSecret);
    return SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), true, kInfoRetries,
                    kRequestIntervalMs, 0);
}

void CUserServHandler::OnSetPwdAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    ResultAnswer answer;
    if (!ParseResultAnswer(body, size, &answer)) {
        WriteLog(3, "OnSetPwdAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnSetPwdAck");
        return;
    }
    std::vector<std::uint8_t> copy;
    std::string newPassword;
    if (!FindPending(h.seqNum, h.type, 3, true, &copy) || !ParseSetPasswordNew(copy.data(), copy.size(), &newPassword)) {
        WriteLog(3, "Set LoginPwd Info Ack Error");
        return;
    }
    if (answer.result == kResultSuccess) {
        const std::string number = GetUserNumber();
        // A remembered password follows the change; otherwise the entry keeps none.
        m_config.StoreUser(number, m_rememberPassword.load() ? newPassword : std::string(), true);
        {
            std::lock_guard<CriticalSection> lock(m_csLogin);
            PutTextField(reinterpret_cast<std::uint8_t*>(m_password), kPasswordField, newPassword.c_str());
        }
        // The account server is asked with the password the next logon sends.
        std::lock_guard<CriticalSection> lock(m_csAccount);
        if (m_acctServ != nullptr) m_acctServ->SetLogin(number, GetPasswordField());
    }
    Post(m_passwordWnd.load(), WM_PASSWORD_RESULT, answer.result, static_cast<LPARAM>(answer.value));
}

void CUserServHandler::OnQueryBindIDOptAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    if (body == nullptr || size < 1) return; // a null answer is dropped
    if (!FindPending(h.seqNum, h.type, 3, true)) {
        WriteLog(3, "Get QueryBindIDOptAck Packet, But it has wrong Packet ID=%ld", static_cast<long>(h.seqNum));
        return;
    }
    const char option = static_cast<char>(body[0]);
    m_options.SetBindOption(option);
    WriteLog(3, "QueryBindIDOpt(%c)", option);
}

int CUserServHandler::DoSetBindIDOpt(char option) {
    UseGuard use(this);
    const char current = m_options.BindOption();
    if (current == 0) return 0; // not known yet
    if (option == current) return 1;
    if (EndpointID.load() == 0) {
        LogNotRegistered("DoSetBindIDOpt");
        return 0;
    }
    std::vector<std::uint8_t> packet;
    {
        std::lock_guard<CriticalSection> lock(m_csLogin);
        packet = BuildSetBindRequest(m_number, m_password, option);
    }
    BuildHeader(packet.data(), static_cast<std::uint32_t>(packet.size()), PKT_SET_BIND_OPT, 0);
    WriteLog(3, "SetBindIDOpt(%c)", option);
    return SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), true, kInfoRetries,
                    kRequestIntervalMs, 0);
}

void CUserServHandler::OnSetBindIDOptAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    if (body == nullptr || size < 1) {
        WriteLog(3, "OnSetBindIDOptAck Error(NULL Pointer)");
        return;
    }
    std::vector<std::uint8_t> copy;
    char requested = 0;
    if (!FindPending(h.seqNum, h.type, 3, true, &copy) || !ParseSetBindOption(copy.data(), copy.size(), &requested)) {
        WriteLog(3, "Get SetBindIDOptAck Packet, But it has wrong Packet ID=%ld", static_cast<long>(h.seqNum));
        return;
    }
    const std::uint8_t result = body[0];
    if (result == kResultSuccess) m_options.SetBindOption(requested);
    Post(m_mainWnd.load(), WM_BIND_RESULT, result, static_cast<LPARAM>(static_cast<unsigned char>(requested)));
}

int CUserServHandler::DoFileUpdateQuery(int retries) {
    UseGuard use(this);
    WriteLog(3, "DoFileUpdateQuery");
    std::uint8_t packet[kPacketHeaderSize];
    BuildHeader(packet, sizeof(packet), PKT_FILE_UPDATE_QUERY, 0);
    return SendData(packet, sizeof(packet), true, retries, kRequestIntervalMs, 0);
}

void CUserServHandler::OnFileUpdateQueryAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    FileUpdateAnswer answer;
    if (!ParseFileUpdateAnswer(body, size, &answer)) {
        WriteLog(3, "OnFileUpdateQueryAck Error(NULL Pointer)");
        return;
    }
    if (!FindPending(h.seqNum, h.type, 2, true)) {
        WriteLog(3, "Get FileUpdateQuery Packet, But Something seems Error in Local Packet list");
        return;
    }
    if (answer.result == kResultFailure) {
        WriteLog(3, "Get FileUpdateQuery Failed, reason=%ld", static_cast<long>(answer.reason));
        // A refusal is reported as "no update server reachable", so the logon goes on.
        Post(m_logonWnd.load(), WM_UPDATE_REPORT, kUpdateNoServer, 0);
        return;
    }
    if (answer.result != kResultSuccess) {
        WriteLog(3, "OnFileUpdateQueryAck Error(Unknow Operate_Return)");
        return;
    }
    m_options.SetUpdateServer({answer.address, answer.port, answer.mode});
    UpdateHandlerSetup setup;
    setup.mode = answer.mode;
    setup.address = answer.address;
    setup.port = answer.port;
    setup.owner = m_logonWnd.load();
    setup.autoAlloc = UserServAutoAlloc(m_config);
    setup.programFolder = m_config.ProgramFolder();
    setup.publicKey = ConfiguredUpdateKey(m_config.SettingsFile());
    auto* handler = new UpdateServHandler(m_config, std::move(setup));
    handler->AddUse(); // the conversation's own use, given back when it fails or ends
    ReleaseUpdateHandler();
    {
        std::lock_guard<CriticalSection> lock(m_csUpdate);
        m_updateServ = handler;
    }
    handler->Start();
}

UpdateServHandler* CUserServHandler::TakeUpdateHandler() {
    std::lock_guard<CriticalSection> lock(m_csUpdate);
    if (m_updateServ != nullptr) m_updateServ->AddUse();
    return m_updateServ;
}

void CUserServHandler::ReleaseUpdateHandler() {
    UpdateServHandler* previous = nullptr;
    {
        std::lock_guard<CriticalSection> lock(m_csUpdate);
        previous = m_updateServ;
        m_updateServ = nullptr;
    }
    if (previous == nullptr) return;
    previous->Close(); // the conversation ends on the handler's thread
    previous->Release();
}

int CUserServHandler::QueryAccountServ() { return DoGetInfoRequest(PKT_ACCOUNT_SERVER, kInfoRetries, 0); }

void CUserServHandler::OnAccountServQueryAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    AccountServAnswer answer;
    if (!ParseAccountServAnswer(body, size, &answer)) {
        WriteLog(3, "OnAccountServQueryAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnAccountServQueryAck");
        return;
    }
    if (!FindPending(h.seqNum, h.type, 2, true)) {
        WriteLog(3, "Get AccountServ Packet, But Something seems Error in Local Packet list");
        return;
    }
    if (answer.result == kResultFailure) {
        WriteLog(3, "Get AccountServ Failed, reason=%ld", static_cast<long>(answer.reason));
        Post(m_accountWnd.load(), WM_ACCOUNT_SERVER, 1, static_cast<LPARAM>(answer.reason));
        return;
    }
    if (answer.result != kResultSuccess) {
        WriteLog(3, "OnAccountServQueryAck Error(Unknow Operate_Return)");
        return;
    }
    m_options.SetAccountServer({answer.address, answer.port, 0});
    auto* handler = new AcctServHandler(answer.address, answer.port, m_accountWnd.load());
    handler->SetLogin(GetUserNumber(), GetPasswordField());
    AcctServHandler* previous = nullptr;
    {
        std::lock_guard<CriticalSection> lock(m_csAccount);
        previous = m_acctServ;
        m_acctServ = handler;
    }
    if (previous != nullptr) previous->Release();
    // The window takes the handler with TakeAccountHandler: this pointer only tells it which.
    Post(m_accountWnd.load(), WM_ACCOUNT_SERVER, kAccountHandlerReady, reinterpret_cast<LPARAM>(handler));
}

AcctServHandler* CUserServHandler::TakeAccountHandler() {
    std::lock_guard<CriticalSection> lock(m_csAccount);
    if (m_acctServ != nullptr) m_acctServ->AddUse();
    return m_acctServ;
}

} // namespace orv
