#include "server/friend_service.h"

#include "server/friend_packets.h"
#include "server/server_log.h"
#include "server/user_server.h"

#include <algorithm>

namespace orv {

FriendService::FriendService(SubscriberDb& db, SessionTable& sessions, SendFunction send, SeqFunction nextSeq,
                             FriendLists::BeforeLoad beforeLoad)
    : m_db(db), m_sessions(sessions), m_send(std::move(send)), m_nextSeq(std::move(nextSeq)),
      m_lists(db, std::move(beforeLoad)) {}

bool FriendService::Serves(std::uint16_t type) {
    return type == kPktFriendIndex || type == kPktFriendDetail || type == kPktSetFriend || type == kPktDelFriend;
}

void FriendService::OnRequest(const Packet& p, const Session& sender, std::uint32_t now) {
    m_lists.Collect();
    switch (p.header.type) {
    case kPktFriendIndex: OnIndex(p, sender); break;
    case kPktFriendDetail: OnDetail(p, sender, now); break;
    case kPktSetFriend: OnSet(p, sender, now); break;
    case kPktDelFriend: OnDelete(p, sender); break;
    default: break;
    }
}

void FriendService::OnIndex(const Packet& p, const Session& sender) {
    if (p.bodySize != 0) {
        ServerLog("drop friend index request of %s: %zu unexpected body bytes", sender.number.c_str(), p.bodySize);
        return;
    }
    const std::vector<FriendRow>* rows = nullptr;
    const FriendLists::State state = m_lists.Get(sender.number, &rows);
    if (state != FriendLists::State::Ready) {
        // A list dropped after a failed read is read again; the client asks again shortly.
        if (state == FriendLists::State::Absent) m_lists.Load(sender.number);
        ServerLog("friend index of %s: list not ready", sender.number.c_str());
        Answer(BuildFriendIndex(p.header.seqNum, true, {}), sender);
        return;
    }
    std::vector<std::uint32_t> ids;
    for (const FriendRow& row : *rows) ids.push_back(row.recordId);
    ServerLog("friend index of %s: %zu records", sender.number.c_str(), ids.size());
    Answer(BuildFriendIndex(p.header.seqNum, false, ids), sender);
}

FriendService::Lookup FriendService::FindRecord(const std::string& owner, std::uint32_t recordId, FriendRow* row) {
    const std::vector<FriendRow>* rows = nullptr;
    if (m_lists.Get(owner, &rows) == FriendLists::State::Ready) {
        auto it = std::find_if(rows->begin(), rows->end(), [&](const FriendRow& r) { return r.recordId == recordId; });
        if (it == rows->end()) return Lookup::Missing;
        *row = *it;
        return Lookup::Found;
    }
    if (m_db.Find(owner, recordId, row)) return Lookup::Found;
    return m_db.LastError().empty() ? Lookup::Missing : Lookup::Failed;
}

void FriendService::OnDetail(const Packet& p, const Session& sender, std::uint32_t now) {
    std::uint32_t recordId = 0;
    if (!ParseRecordIdBody(p.body, p.bodySize, &recordId)) {
        ServerLog("drop friend detail request of %s: %zu-byte body", sender.number.c_str(), p.bodySize);
        return;
    }
    FriendRow row;
    const Lookup found = FindRecord(sender.number, recordId, &row);
    if (found == Lookup::Found) {
        Answer(BuildFriendDetail(p.header.seqNum, row, StatusOf(row.netPhone, now)), sender);
    } else if (found == Lookup::Missing) {
        ServerLog("friend detail of %s: no record %u", sender.number.c_str(), recordId);
        Answer(BuildFailure(kPktFriendDetail, p.header.seqNum, kReasonNoSuchRecord), sender);
    } else {
        // Unanswered: a refusal would make the client drop the record; its resend asks again.
        ServerLog("friend detail of %s record %u failed: %s", sender.number.c_str(), recordId,
                  m_db.LastError().c_str());
    }
}

void FriendService::OnSet(const Packet& p, const Session& sender, std::uint32_t now) {
    FriendRow row;
    if (!ParseSetFriendBody(p.body, p.bodySize, &row)) {
        ServerLog("drop set friend request of %s: %zu-byte body", sender.number.c_str(), p.bodySize);
        return;
    }
    row.owner = sender.number;
    std::int32_t reason = 0;
    bool full = false;
    if (row.name.empty() && row.phone.empty() && row.mobile.empty() && row.netPhone.empty()) {
        reason = kReasonBadRecord;
    } else if (!m_db.Store(&row, &full)) {
        reason = full ? kReasonListFull : (m_db.LastError().empty() ? kReasonNoSuchRecord : kReasonServerError);
        if (reason == kReasonServerError) ServerLog("storing a friend failed: %s", m_db.LastError().c_str());
    }
    if (reason != 0) {
        ServerLog("set friend of %s refused, reason %d", sender.number.c_str(), reason);
        Answer(BuildFailure(kPktSetFriend, p.header.seqNum, reason), sender);
        return;
    }
    m_lists.Stored(row);
    ServerLog("set friend of %s: record %u, name %s, ORV number %s", sender.number.c_str(), row.recordId,
              LogSafe(row.name).c_str(), LogSafe(row.netPhone).c_str());
    Answer(BuildSuccess(kPktSetFriend, p.header.seqNum, row.recordId), sender);
    // The client stores the record with the status it sent; a friend already on line says so.
    if (StatusOf(row.netPhone, now) == kFriendOnLine) {
        Answer(BuildFriendStatus(m_nextSeq(), kFriendOnLine, row.recordId), sender);
    }
}

void FriendService::OnDelete(const Packet& p, const Session& sender) {
    std::uint32_t recordId = 0;
    if (!ParseRecordIdBody(p.body, p.bodySize, &recordId)) {
        ServerLog("drop delete friend request of %s: %zu-byte body", sender.number.c_str(), p.bodySize);
        return;
    }
    if (m_db.Remove(sender.number, recordId)) {
        m_lists.Removed(sender.number, recordId);
        ServerLog("delete friend of %s: record %u", sender.number.c_str(), recordId);
        Answer(BuildPacket(kPktDelFriend, p.header.seqNum, {0}), sender);
    } else {
        const std::int32_t reason = m_db.LastError().empty() ? kReasonNoSuchRecord : kReasonServerError;
        ServerLog("delete friend of %s record %u refused, reason %d", sender.number.c_str(), recordId, reason);
        Answer(BuildFailure(kPktDelFriend, p.header.seqNum, reason), sender);
    }
}

std::uint8_t FriendService::StatusOf(const std::string& number, std::uint32_t now) {
    Session s;
    return !number.empty() && m_sessions.FindLiveByNumber(number, now, &s) ? kFriendOnLine : kFriendOffLine;
}

void FriendService::OnLogon(const std::string& number, std::uint32_t now) {
    m_lists.Load(number);
    PushStatus(number, kFriendOnLine, now);
}

void FriendService::OnOffLine(const std::string& number, std::uint32_t now) {
    m_lists.Forget(number);
    PushStatus(number, kFriendOffLine, now);
}

void FriendService::PushStatus(const std::string& number, std::uint8_t status, std::uint32_t now) {
    std::vector<std::pair<std::string, std::uint32_t>> holders;
    if (!m_db.HoldersOf(number, &holders)) {
        ServerLog("cannot find who has %s as a friend: %s", number.c_str(), m_db.LastError().c_str());
        return;
    }
    for (const auto& [owner, recordId] : holders) {
        Session s;
        if (!m_sessions.FindLiveByNumber(owner, now, &s)) continue;
        ServerLog("tell %s: friend %s (record %u) is %s", owner.c_str(), number.c_str(), recordId,
                  status == kFriendOnLine ? "on line" : "off line");
        m_send(BuildFriendStatus(m_nextSeq(), status, recordId), s.address, s.port);
    }
}

} // namespace orv
