#include "client/data/call_record_list.h"

#include "client/data/atomic_file.h"
#include "client/data/orv_number.h"
#include "client/data/scramble.h"
#include "client/log/log.h"
#include "platform/paths.h"

#include <cerrno>
#include <ctime>
#include <mutex>
#include <sys/stat.h>

namespace orv {

namespace {

// A bound on what a load reads: far above the 4 x 50 records a save leaves.
constexpr std::size_t kMaxCallRecordFileSize = kCallRecordSize * 100000;

bool IsKeptAtLoad(const CallRecord& record) {
    return record.listType < kCallListTypes && record.endKind >= 1 && record.endKind <= kLastEndKind;
}

} // namespace

std::uint32_t CallRecordList::SystemClock() {
    return static_cast<std::uint32_t>(std::time(nullptr));
}

CallRecordList::CallRecordList(std::string homeFolder, Clock clock)
    : m_home(std::move(homeFolder)), m_clock(std::move(clock)) {}

int CallRecordList::Load(const std::string& ownNumber) {
    std::lock_guard<CriticalSection> guard(m_lock);
    m_writer.Flush(); // the file as the last change left it
    m_loadedDamaged = false;
    m_nextSequence = 0;
    m_records.clear();
    m_filePath.clear();
    if (!IsPlainOrvNumber(ownNumber)) {
        WriteLog(3, "CallRecordList: refusing user folder for number \"%.40s\"", ownNumber.c_str());
        return 0;
    }
    const std::string folder = JoinPath(m_home, ownNumber);
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        WriteLog(3, "CallRecordList: cannot create %s", folder.c_str());
        return 0;
    }
    m_filePath = JoinPath(folder, kCallRecordFileName);

    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(m_filePath, kMaxCallRecordFileSize, &bytes)) {
        struct stat st;
        if (::stat(m_filePath.c_str(), &st) != 0) return 1; // missing: an empty list
        // Present but unreadable: never overwrite what it may still hold.
        WriteLog(3, "CallRecordList: cannot read %s", m_filePath.c_str());
        m_filePath.clear();
        return 0;
    }
    m_loadedDamaged = bytes.size() % kCallRecordSize != 0;
    for (std::size_t at = 0; at + kCallRecordSize <= bytes.size(); at += kCallRecordSize) {
        UnscrambleBlock(bytes.data() + at, kCallRecordSize, kCallRecordKey);
        CallRecord record = DecodeCallRecord(bytes.data() + at);
        record.sequence = m_nextSequence++;
        if (IsKeptAtLoad(record)) {
            m_records.push_back(std::move(record));
        } else if (record.listType >= kCallListTypes || record.endKind > kLastEndKind) {
            m_loadedDamaged = true; // not a call that was still running when the client ended
        }
    }
    if (m_loadedDamaged) WriteLog(2, "CallRecordList: %s is damaged", m_filePath.c_str());
    return 1;
}

CallRecord& CallRecordList::Append(CallRecord record) {
    record.sequence = m_nextSequence++;
    m_records.push_back(std::move(record));
    return m_records.back();
}

int CallRecordList::Add(std::uint32_t callerFlag, std::uint32_t conference, std::uint32_t callId,
                        const std::string& caller, const std::string& called,
                        std::uint32_t listType, std::uint32_t endKind) {
    std::lock_guard<CriticalSection> guard(m_lock);
    CallRecord record;
    record.callerFlag = callerFlag;
    record.conference = conference;
    record.callId = callId;
    record.caller = caller.substr(0, kCallNumberFieldSize - 1);
    record.called = called.substr(0, kCallNumberFieldSize - 1);
    record.listType = listType;
    record.endKind = endKind;
    record.madeTime = m_clock();
    if (endKind != kCallRunning) record.talkStart = record.madeTime;
    Append(std::move(record));
    WriteLog(5, "AddRecord caller=%s, called=%s", caller.c_str(), called.c_str());
    return Save();
}

int CallRecordList::AddFailed(std::uint32_t conference, const std::string& caller,
                              const std::string& called, std::int32_t endReason,
                              std::uint32_t endKind) {
    std::lock_guard<CriticalSection> guard(m_lock);
    CallRecord record;
    record.conference = conference;
    record.callerFlag = 1;
    record.caller = caller.substr(0, kCallNumberFieldSize - 1);
    record.called = called.substr(0, kCallNumberFieldSize - 1);
    record.listType = kDialledCall;
    record.endReason = endReason;
    record.endKind = endKind;
    record.madeTime = record.talkStart = record.endTime = m_clock();
    Append(std::move(record));
    WriteLog(5, "AddFailedRecord caller=%s, called=%s", caller.c_str(), called.c_str());
    return Save();
}

int CallRecordList::AddOffline(std::uint32_t time, const std::string& caller,
                               const std::string& called, std::uint8_t kind) {
    std::lock_guard<CriticalSection> guard(m_lock);
    CallRecord record;
    record.madeTime = record.talkStart = record.endTime = time;
    record.caller = caller.substr(0, kCallNumberFieldSize - 1);
    record.called = called.substr(0, kCallNumberFieldSize - 1);
    record.listType = kOfflineCall;
    record.endKind = kOfflineEndKind;
    record.conference = kind == 2 ? 1 : 0;
    Append(std::move(record));
    return Save();
}

CallRecord* CallRecordList::FindByCallId(std::uint32_t callId, const std::uint32_t* callerFlag) {
    if (callId == 0) return nullptr;
    for (CallRecord& record : m_records) {
        if (record.callId == callId && (!callerFlag || record.callerFlag == *callerFlag)) return &record;
    }
    return nullptr;
}

int CallRecordList::TalkStarted(std::uint32_t callId) {
    std::lock_guard<CriticalSection> guard(m_lock);
    CallRecord* record = FindByCallId(callId, nullptr);
    if (!record) return 0;
    if (record->listType == kMissedCall) record->listType = kReceivedCall;
    record->talkStart = m_clock();
    return 1;
}

int CallRecordList::CallEnded(std::uint32_t callerFlag, std::uint32_t callId, std::uint32_t endKind,
                              std::int32_t endReason) {
    std::lock_guard<CriticalSection> guard(m_lock);
    // A room's invitations share its identifier: the end goes to a record still running.
    CallRecord* record = nullptr;
    for (CallRecord& r : m_records) {
        if (callId != 0 && r.callId == callId && r.callerFlag == callerFlag && !r.Finished()) {
            record = &r;
            break;
        }
    }
    if (!record) record = FindByCallId(callId, &callerFlag);
    if (!record) return 0;
    End(*record, endKind, endReason);
    if (record->conference != 0) {
        for (CallRecord& r : m_records) {
            if (r.callId == callId && r.callerFlag == callerFlag && r.conference != 0 && !r.Finished())
                End(r, endKind, endReason);
        }
    }
    return Save();
}

void CallRecordList::End(CallRecord& record, std::uint32_t endKind, std::int32_t endReason) {
    record.endTime = m_clock();
    if (record.talkStart == 0) record.talkStart = record.endTime;
    record.endKind = endKind;
    record.endReason = endReason;
}

CallRecord* CallRecordList::FindInvitation(std::uint32_t callId, const std::string& number) {
    if (callId == 0 || number.empty()) return nullptr;
    for (CallRecord& r : m_records) {
        if (r.callId != callId || r.conference == 0 || r.callerFlag != 1 || r.Finished()) continue;
        const std::string called = r.called.substr(0, r.called.find('*'));
        if (called == number) return &r;
    }
    return nullptr;
}

int CallRecordList::MemberTalkStarted(std::uint32_t callId, const std::string& number) {
    std::lock_guard<CriticalSection> guard(m_lock);
    CallRecord* record = FindInvitation(callId, number);
    if (!record) return 0;
    record->talkStart = m_clock();
    return 1;
}

int CallRecordList::MemberEnded(std::uint32_t callId, const std::string& number, std::uint32_t endKind,
                                std::int32_t endReason) {
    std::lock_guard<CriticalSection> guard(m_lock);
    CallRecord* record = FindInvitation(callId, number);
    if (!record) return 0;
    End(*record, endKind, endReason);
    return Save();
}

int CallRecordList::CountUnseen(std::uint32_t listType) {
    std::lock_guard<CriticalSection> guard(m_lock);
    int count = 0;
    for (const CallRecord& record : m_records) {
        if (record.listType == listType && record.Finished() && !record.seen) ++count;
    }
    return count;
}

int CallRecordList::TakeList(std::uint32_t listType, std::vector<CallRecord>* out) {
    std::lock_guard<CriticalSection> guard(m_lock);
    out->clear();
    for (CallRecord& record : m_records) {
        if (record.listType != listType || !record.Finished()) continue;
        record.seen = 1;
        out->push_back(record);
    }
    return Save();
}

int CallRecordList::Delete(std::uint32_t sequence) {
    std::lock_guard<CriticalSection> guard(m_lock);
    const std::size_t removed =
        m_records.remove_if([sequence](const CallRecord& r) { return r.sequence == sequence; });
    const int saved = Save();
    return removed > 0 && saved;
}

void CallRecordList::Trim() {
    // Stable: records of equal type and talk start keep their order.
    m_records.sort([](const CallRecord& a, const CallRecord& b) {
        if (a.listType != b.listType) return a.listType < b.listType;
        return a.talkStart > b.talkStart;
    });
    std::size_t kept[kCallListTypes] = {};
    m_records.remove_if([&kept](const CallRecord& r) {
        if (r.listType >= kCallListTypes || !r.Finished()) return false;
        return ++kept[r.listType] > kMaxRecordsPerType;
    });
}

int CallRecordList::Save() {
    std::lock_guard<CriticalSection> guard(m_lock);
    Trim();
    if (m_filePath.empty()) return 0;
    std::vector<std::uint8_t> bytes(m_records.size() * kCallRecordSize);
    std::uint32_t position = 0;
    for (const CallRecord& record : m_records) {
        // The stored sequence is the record's place in the file: the number the next load
        // gives it, so an unchanged list saves to the same bytes.
        CallRecord stored = record;
        stored.sequence = position;
        std::uint8_t* out = bytes.data() + std::size_t{position} * kCallRecordSize;
        EncodeCallRecord(stored, out);
        ScrambleBlock(out, kCallRecordSize, kCallRecordKey);
        ++position;
    }
    m_writer.Write(m_filePath, std::move(bytes), m_loadedDamaged);
    m_loadedDamaged = false; // the writer keeps it until it was kept
    return 1;
}

std::vector<CallRecord> CallRecordList::Records() {
    std::lock_guard<CriticalSection> guard(m_lock);
    return {m_records.begin(), m_records.end()};
}

std::string CallRecordList::FilePath() {
    std::lock_guard<CriticalSection> guard(m_lock);
    return m_filePath;
}

} // namespace orv
