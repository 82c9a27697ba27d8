// Call forwarding: the settings the server keeps (get and set, both kept in the forwarding
// cache) and the forward of a busy or unanswered call that the talk-server handler asks for.
#include "client/data/call_record_list.h"
#include "client/userserver/user_serv_common.h"
#include "client/userserver/user_serv_handler.h"

#include <cstring>

namespace orv {

namespace {

// A get-forwarding refusal with this reason means "not ready yet": ask again soon.
constexpr std::int32_t kForwardNotReadyReason = -17;
constexpr std::uint32_t kForwardNotReadyDelayMs = 500;
// How a forwarded call ends in the call record store: this end kind, with the forwarding
// type as the end reason.
constexpr std::uint32_t kForwardedEndKind = 7;

} // namespace

void CUserServHandler::OnGetForwardInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    ForwardAnswer answer;
    if (!ParseForwardAnswer(body, size, &answer)) {
        WriteLog(3, "OnGetForwardInfoAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnGetForwardInfoAck");
        return;
    }
    if (!FindPending(h.seqNum, h.type, 3, true)) {
        WriteLog(3, "Get Forward Info Ack Error");
        return;
    }
    if (answer.result == kResultFailure) {
        if (answer.reason == kForwardNotReadyReason)
            DoGetInfoRequest(PKT_GET_FORWARD, kInfoRetries, kForwardNotReadyDelayMs);
        WriteLog(3, "Get Forward Info Error, reason=%ld", static_cast<long>(answer.reason));
        return;
    }
    if (answer.result != kResultSuccess) {
        WriteLog(3, "OnGetForwardInfoAck Error(Unknow Operate_Return)");
        return;
    }
    ForwardRecord& r = answer.record;
    if (r.AllEmpty()) r.flag = 0;
    WriteLog(3, "GetForward Info Success, Offline=%s, Busy=%s, NoAnswer=%s, Always=%s", r.offline.c_str(),
             r.busy.c_str(), r.noAnswer.c_str(), r.always.c_str());
    m_forwardCache.Set(r);
    Post(m_mainWnd.load(), WM_OPTIONS_CHANGED, 0, 0);
}

int CUserServHandler::SetForwardInfo(const ForwardRecord& record) {
    UseGuard use(this);
    if (EndpointID.load() == 0) {
        LogNotRegistered("SetForwardInfo");
        return 0;
    }
    std::vector<std::uint8_t> packet = BuildSetForwardRequest(record);
    BuildHeader(packet.data(), static_cast<std::uint32_t>(packet.size()), PKT_SET_FORWARD, 0);
    WriteLog(3, "setForward Info Offline=%s, Busy=%s, NoAnswer=%s, Always=%s", record.offline.c_str(),
             record.busy.c_str(), record.noAnswer.c_str(), record.always.c_str());
    return SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), true, kInfoRetries,
                    kRequestIntervalMs, 0);
}

void CUserServHandler::OnSetForwardInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    ResultAnswer answer;
    if (!ParseResultAnswer(body, size, &answer)) {
        WriteLog(3, "OnSetForwardInfoAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnSetForwardInfoAck");
        return;
    }
    std::vector<std::uint8_t> copy;
    ForwardRecord requested;
    if (!FindPending(h.seqNum, h.type, 3, true, &copy) || !ParseSetForwardRequest(copy.data(), copy.size(), &requested)) {
        WriteLog(3, "Set Forward Info Ack Error");
        return;
    }
    // The requested settings are kept whatever the answer: the dialog shows them again.
    m_forwardCache.Set(requested);
    Post(m_forwardWnd.load(), WM_FORWARD_RESULT, answer.result, static_cast<LPARAM>(answer.value));
    Post(m_mainWnd.load(), WM_OPTIONS_CHANGED, 0, 0);
}

int CUserServHandler::DoCallForward(int type, std::uint32_t servId, std::uint32_t callId, const char* caller) {
    UseGuard use(this);
    ForwardRecord cache;
    if (!m_forwardCache.Get(&cache) || cache.flag == 0) return 0;
    std::string forwardTo;
    if (type == kForwardBusy) forwardTo = cache.busy;
    if (type == kForwardNoAnswer) forwardTo = cache.noAnswer;
    if (forwardTo.empty()) return 0; // another type, or no number for this one
    const std::string callerNumber = caller ? std::string(caller, strnlen(caller, kNumberField - 1)) : std::string();
    std::vector<std::uint8_t> packet = BuildCallForward(type, callId, servId, callerNumber, forwardTo);
    BuildHeader(packet.data(), static_cast<std::uint32_t>(packet.size()), PKT_CALL_FORWARD, 0);
    WriteLog(3, "Do CallForward, type=%d, ServID=%ld, callID=%ld, caller=%s, called=%s", type,
             static_cast<long>(servId), static_cast<long>(callId), callerNumber.c_str(), forwardTo.c_str());
    const int sent = SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), false, 0, 0, 0);
    // This client was called: the call ends here, forwarded.
    if (m_records != nullptr) m_records->CallEnded(0, callId, kForwardedEndKind, type);
    return sent;
}

} // namespace orv
