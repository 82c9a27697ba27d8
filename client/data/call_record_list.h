// The calls of the logged-on user: dialled, received, missed and offline calls, kept in a
// list and written to "<home>/<number>/CallRecord.dat" after every change. Used by the
// network thread (call reports) and the UI thread (call lists); every operation holds the
// list's lock for its whole run. The file is written on a writer thread of the list's own,
// in the order of the changes; the destructor waits until the last change is written.
#pragma once

#include "client/data/call_record.h"
#include "client/data/file_writer_thread.h"
#include "platform/thread.h"

#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <vector>

namespace orv {

constexpr char kCallRecordFileName[] = "CallRecord.dat";
// Finished records kept per list type.
constexpr std::size_t kMaxRecordsPerType = 50;

class CallRecordList {
public:
    // Seconds since 1970-01-01 UTC.
    using Clock = std::function<std::uint32_t()>;
    static std::uint32_t SystemClock();

    explicit CallRecordList(std::string homeFolder, Clock clock = SystemClock);

    // Reads the file of ownNumber (which must be a plain number) and makes it the file every
    // later save writes. Records still running or of unknown type are dropped. Returns 0 when
    // the number is not plain or the file cannot be read; the list is then empty. A file
    // with records of unknown type or end kind, or a torn record at its end, is kept beside
    // itself before the first save replaces it.
    int Load(const std::string& ownNumber);

    int Add(std::uint32_t callerFlag, std::uint32_t conference, std::uint32_t callId,
            const std::string& caller, const std::string& called, std::uint32_t listType,
            std::uint32_t endKind);
    int AddFailed(std::uint32_t conference, const std::string& caller, const std::string& called,
                  std::int32_t endReason, std::uint32_t endKind);
    // An offline-call notice: its time, numbers and kind byte (2 = conference).
    int AddOffline(std::uint32_t time, const std::string& caller, const std::string& called,
                   std::uint8_t kind);
    // The first record of callId: a missed call becomes received, the talk starts now.
    int TalkStarted(std::uint32_t callId);
    // The end of callId's first record; a conference's end also ends every invitation of
    // the room still running.
    int CallEnded(std::uint32_t callerFlag, std::uint32_t callId, std::uint32_t endKind,
                  std::int32_t endReason);
    // The chairman's record of the invitation of `number` into room callId (an extension
    // dialled with it does not count): the member took part from now, or its part ended.
    int MemberTalkStarted(std::uint32_t callId, const std::string& number);
    int MemberEnded(std::uint32_t callId, const std::string& number, std::uint32_t endKind, std::int32_t endReason);
    int CountUnseen(std::uint32_t listType);
    // Copies the finished records of listType into out and marks them seen.
    int TakeList(std::uint32_t listType, std::vector<CallRecord>* out);
    int Delete(std::uint32_t sequence);
    // Trims to the 50 newest finished records per type, then hands the file's new content to
    // the writer thread (1 when there is a file to write). A write that fails is reported to
    // the handler (on the writer thread); the next change writes the whole list again.
    int Save();
    // Waits until every change so far is in the file.
    void Flush() { m_writer.Flush(); }
    void SetNotSavedHandler(FileWriterThread::FailureHandler handler) {
        m_writer.SetFailureHandler(std::move(handler));
    }

    std::vector<CallRecord> Records();
    std::string FilePath();

private:
    CallRecord& Append(CallRecord record);
    CallRecord* FindByCallId(std::uint32_t callId, const std::uint32_t* callerFlag);
    CallRecord* FindInvitation(std::uint32_t callId, const std::string& number);
    void End(CallRecord& record, std::uint32_t endKind, std::int32_t endReason);
    void Trim();

    CriticalSection m_lock;
    std::string m_home;
    Clock m_clock;
    std::string m_filePath; // empty until a user's file was loaded
    std::list<CallRecord> m_records;
    std::uint32_t m_nextSequence = 0;
    bool m_loadedDamaged = false; // the loaded file is to be kept before it is replaced
    FileWriterThread m_writer;   // last: gone first, after writing what waits
};

} // namespace orv
