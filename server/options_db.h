// The service options of each subscriber in the subscriber database: call forwarding, the
// calls that came while the subscriber was off line, the bind option, and the support
// entries every client is offered. Shares SubscriberDb's connection.
//
// Used by the talk requests too:
//   bool GetForward(const std::string& number, ForwardSettings* settings);
//   bool AddOfflineCall(const OfflineCall& call);
// Every operation returns false on failure, with LastError() set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace orv {

class SubscriberDb;

struct ForwardSettings {
    bool enabled = false;  // the forwarding flag; never set while all four numbers are empty
    std::string offline;   // forward to this number while the subscriber is off line
    std::string busy;      // ... while busy
    std::string noAnswer;  // ... when a call is not answered
    std::string always;    // forward every call here

    bool AllEmpty() const { return offline.empty() && busy.empty() && noAnswer.empty() && always.empty(); }
    bool operator==(const ForwardSettings&) const = default;
};

// The kind byte of an offline call: a call, or a conference invitation.
constexpr std::uint8_t kOfflineCallTalk = 1;
constexpr std::uint8_t kOfflineCallConference = 2;
// The newest this many offline calls are kept per subscriber (what one answer carries).
constexpr std::size_t kMaxOfflineCalls = 50;

struct OfflineCall {
    std::string caller;
    std::string called;     // the subscriber who was off line
    std::uint32_t time = 0; // seconds since 1970-01-01 UTC
    std::uint8_t kind = kOfflineCallTalk;

    bool operator==(const OfflineCall&) const = default;
};

// A support entry: a number to call and its menu text ("Chinese|English").
struct SupportEntry {
    std::string number;
    std::string text;

    bool operator==(const SupportEntry&) const = default;
};
constexpr std::size_t kMaxSupportEntries = 32;

// The bind option characters: not bound, or logon only with the bound handset.
constexpr char kBindOptionNone = '0';
constexpr char kBindOptionHandset = '1';
// A logon's bind value names a handset unless it is empty or the value of none ("00000000").
bool HasHandsetBindValue(const std::string& bindInfo);
bool IsValidBindOption(char option);

class OptionsDb {
public:
    explicit OptionsDb(SubscriberDb& db);

    // A subscriber who never set forwarding has all four numbers empty.
    bool GetForward(const std::string& number, ForwardSettings* settings);
    // The flag is stored as given, except that it is cleared when all numbers are empty.
    bool SetForward(const std::string& number, const ForwardSettings& settings);

    // Records a call for a subscriber who was off line; the oldest beyond kMaxOfflineCalls
    // are dropped. Fails for a called number that is no subscriber.
    bool AddOfflineCall(const OfflineCall& call);
    // The subscriber's offline calls, oldest first, and removes them.
    bool TakeOfflineCalls(const std::string& called, std::vector<OfflineCall>* calls);
    // The same without removing them.
    bool PeekOfflineCalls(const std::string& called, std::vector<OfflineCall>* calls);

    bool GetBindOption(const std::string& number, char* option);
    // Binding ('1') keeps the handset's bind value that later logons must carry; unbinding
    // forgets it.
    bool SetBindOption(const std::string& number, char option, const std::string& bindValue = "");

    // The support entries in menu order; SetSupport replaces them all (at most
    // kMaxSupportEntries).
    bool GetSupport(std::vector<SupportEntry>* entries);
    bool SetSupport(const std::vector<SupportEntry>& entries);

    const std::string& LastError() const { return m_error; }

private:
    bool Fail(const std::string& what);
    bool FailSql();

    sqlite3* m_db;
    std::string m_error;
};

} // namespace orv
