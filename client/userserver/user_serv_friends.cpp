// Friends and presence: the friend index after logon, each record's details, adding,
// changing and deleting a record, and the server's on-line status pushes. Results go to the
// friend-list window; an entry passed with a message belongs to the window.
#include "client/friends/friend_messages.h"
#include "client/friends/friend_packets.h"
#include "client/userserver/user_serv_common.h"
#include "client/userserver/user_serv_handler.h"

#include <mutex>

namespace orv {

namespace {

// The RecordID a detail or delete request copy asked about.
bool RequestedRecordId(const std::vector<std::uint8_t>& copy, std::uint32_t* recordId) {
    return copy.size() > kPacketHeaderSize &&
           ParseRecordIdRequest(copy.data() + kPacketHeaderSize, copy.size() - kPacketHeaderSize, recordId);
}

} // namespace

int CUserServHandler::DoGetFriendDetail(std::uint32_t recordId) {
    UseGuard use(this);
    if (EndpointID.load() == 0) {
        LogNotRegistered("DoGetFriendDetail");
        return 0;
    }
    WriteLog(3, "DoGetFriendDetail RecordID=%d", static_cast<int>(recordId));
    std::vector<std::uint8_t> packet = BuildFriendDetailRequest(recordId);
    BuildHeader(packet.data(), static_cast<std::uint32_t>(packet.size()), PKT_FRIEND_DETAIL, 0);
    return SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), true, kFriendDetailRetries,
                    kFriendRetryIntervalMs, 0);
}

int CUserServHandler::DoSetFriendInfo(FriendEntry* entry) {
    UseGuard use(this);
    if (EndpointID.load() == 0) {
        LogNotRegistered("DoSetFriendInfo");
        return 0;
    }
    entry->record.userId = GetUserNumber();
    CutToFields(&entry->record);
    const FriendRecord& r = entry->record;
    std::vector<std::uint8_t> packet = BuildSetFriendRequest(*entry);
    BuildHeader(packet.data(), static_cast<std::uint32_t>(packet.size()), PKT_SET_FRIEND, 0);
    WriteLog(3, "DoSetFriendInfo UserID=%s, FriendName=%s, NetPhone=%s, Mobile=%s, Phone=%s, EMail=%s",
             r.userId.c_str(), r.friendName.c_str(), r.netPhone.c_str(), r.mobile.c_str(), r.phone.c_str(),
             r.email.c_str());
    return SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), true, kFriendChangeRetries,
                    kFriendRetryIntervalMs, 0);
}

int CUserServHandler::DoDelFriendInfo(std::uint32_t recordId) {
    UseGuard use(this);
    if (EndpointID.load() == 0) {
        LogNotRegistered("DoDelFriendInfo");
        return 0;
    }
    WriteLog(3, "DoDelFriendInfo RecordID=%d", static_cast<int>(recordId));
    std::vector<std::uint8_t> packet = BuildDelFriendRequest(recordId);
    BuildHeader(packet.data(), static_cast<std::uint32_t>(packet.size()), PKT_DEL_FRIEND, 0);
    return SendData(packet.data(), static_cast<std::uint32_t>(packet.size()), true, kFriendChangeRetries,
                    kFriendRetryIntervalMs, 0);
}

void CUserServHandler::OnGetFriendIndexAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    FriendIndexAnswer answer;
    if (!ParseFriendIndexAnswer(body, size, &answer)) {
        WriteLog(3, "OnGetFriendIndexAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnGetFriendIndexAck");
        return;
    }
    // Matched by type alone; the index is used even when nothing was pending.
    FindPending(h.seqNum, h.type, 2, true);
    const int count = answer.notReady ? kFriendIndexNotReady : static_cast<int>(answer.recordIds.size());
    WriteLog(3, "Get Friends Index Info Success Count=%d", count);
    if (answer.notReady) {
        DoGetInfoRequest(PKT_FRIEND_INDEX, kFriendIndexRetries, kFriendIndexNotReadyDelayMs);
        return;
    }
    for (std::uint32_t recordId : FriendDetailFetchOrder(answer.recordIds)) DoGetFriendDetail(recordId);
}

void CUserServHandler::OnGetFriendDetailAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    FriendDetailAnswer answer;
    if (!ParseFriendDetailAnswer(body, size, &answer)) {
        WriteLog(3, "OnGetFriendDetailAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnGetFriendDetailAck");
        return;
    }
    std::vector<std::uint8_t> copy;
    if (!FindPending(h.seqNum, h.type, 3, true, &copy)) {
        WriteLog(3, "Get FriendDetailInfo Packet, But Something seems Error in Local Packet list");
        return;
    }
    if (answer.result == kResultSuccess) {
        m_friends.AddFriend(answer.entry);
        WriteLog(3, "Get FriendDetailInfo Success, recordID=%ld, name=%s",
                 static_cast<long>(answer.entry.record.recordId), answer.entry.record.friendName.c_str());
        PostFriendEntry(m_friendListWnd.load(), 0, answer.entry);
    } else if (answer.result == kResultFailure) {
        std::uint32_t recordId = 0;
        if (RequestedRecordId(copy, &recordId)) m_friends.RemoveFriend(recordId);
        WriteLog(3, "Get FriendDetailInfo Failed, recordID=%ld, reason=%d", static_cast<long>(recordId),
                 static_cast<int>(answer.reason));
    } else {
        WriteLog(3, "OnGetFriendDetailAck Error(Unknow Operate_Return)");
    }
}

void CUserServHandler::OnSetFriendInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    SetFriendAnswer answer;
    if (!ParseSetFriendAnswer(body, size, &answer)) {
        WriteLog(3, "OnSetFriendInfoAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnSetFriendInfoAck");
        return;
    }
    std::vector<std::uint8_t> copy;
    if (!FindPending(h.seqNum, h.type, 3, true, &copy)) {
        WriteLog(3, "Get SetFriendInfoAck Packet, but there is no packet correspond to this one");
        return;
    }
    FriendEntry requested;
    if (copy.size() <= kPacketHeaderSize ||
        !ParseSetFriendRequest(copy.data() + kPacketHeaderSize, copy.size() - kPacketHeaderSize, &requested)) {
        WriteLog(3, "OnSetFriendInfoAck Something Error in local packet list");
        return;
    }
    if (answer.result == kResultSuccess) {
        requested.record.recordId = answer.recordId;
        m_friends.AddFriend(requested);
        PostFriendEntry(m_friendListWnd.load(), 0, requested);
        WriteLog(3, "Set FriendInfo Success RecordID = %d", static_cast<int>(answer.recordId));
    } else if (answer.result == kResultFailure) {
        WriteLog(3, "Set FriendInfo Failed Reason=%d", static_cast<int>(answer.reason));
        PostFriendEntry(m_friendListWnd.load(), answer.result, requested);
    } else {
        WriteLog(3, "OnSetFriendInfoAck Error(Unknow Operate_Return)");
    }
}

void CUserServHandler::OnDelFriendInfoAck(const PacketHeader& h, const std::uint8_t* body, std::size_t size) {
    DelFriendAnswer answer;
    if (!ParseDelFriendAnswer(body, size, &answer)) {
        WriteLog(3, "OnDelFriendInfoAck Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnDelFriendInfoAck");
        return;
    }
    std::vector<std::uint8_t> copy;
    if (!FindPending(h.seqNum, h.type, 3, true, &copy)) {
        WriteLog(3, "Get DelFriendInfoAck Packet, but there is no packet correspond to this one");
        return;
    }
    std::uint32_t recordId = 0;
    if (!RequestedRecordId(copy, &recordId)) {
        WriteLog(3, "OnDelFriendInfoAck Something Error in local packet list");
        return;
    }
    if (answer.result != kResultSuccess && answer.result != kResultFailure) {
        WriteLog(3, "OnDelFriendInfoAck Error(Unknow Operate_Return)");
        return;
    }
    if (answer.result == kResultFailure) WriteLog(3, "Del FriendInfo Failed Reason=%d", static_cast<int>(answer.reason));
    HWND window = m_friendListWnd.load();
    if (DelFriendAnswerRemoves(answer)) {
        m_friends.RemoveFriend(recordId);
        if (window != 0) PostMessage(window, WM_FRIEND_DELETED, 0, static_cast<LPARAM>(recordId));
        if (answer.result == kResultSuccess) WriteLog(3, "Del FriendInfo Success");
    } else if (window != 0) {
        PostMessage(window, WM_FRIEND_DELETED, kResultFailure, 0);
    }
}

void CUserServHandler::OnFriendStatus(const std::uint8_t* body, std::size_t size) {
    FriendStatusPush push;
    if (!ParseFriendStatusPush(body, size, &push)) {
        WriteLog(3, "OnFriendStatus Error(NULL Pointer)");
        return;
    }
    if (EndpointID.load() == 0) {
        LogNotRegistered("OnFriendStatus");
        return;
    }
    if (m_friends.SetFriendStatus(push.recordId, push.status)) {
        HWND window = m_friendListWnd.load();
        if (window != 0) PostMessage(window, WM_FRIEND_STATUS, push.recordId, push.status);
        WriteLog(3, "Friend Online Status Changed RecordID=%ld, Status=%d", static_cast<long>(push.recordId),
                 static_cast<int>(push.status));
    } else {
        WriteLog(3, "OnFriendStatus changed failed RecordID=%ld, Status=%d, maybe it is not my friend",
                 static_cast<long>(push.recordId), static_cast<int>(push.status));
    }
}

} // namespace orv
