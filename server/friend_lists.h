// The friend lists of the logged-on subscribers, held in memory so the requests that follow
// a logon (the index, then one detail per record) are answered without the database. A
// list is read from the database by a loader thread when its subscriber logs on; until it
// is there the index answer says "not ready" and the client asks again a second later.
// Changes are written to the database first and then to a held list; a change made while a
// list is loading makes the loader read it again, so no list misses a change.
//
// Everything but the loader runs on the server's thread, which takes finished loads with
// Collect(). The loader has the database connection to itself while it reads (the
// connection's own lock), so the server's thread only waits for it if it needs the
// database at that moment.
#pragma once

#include "server/friend_db.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv {

class FriendLists {
public:
    // beforeLoad runs on the loader thread before each read (tests hold a load with it).
    using BeforeLoad = std::function<void(const std::string& owner)>;
    explicit FriendLists(SubscriberDb& db, BeforeLoad beforeLoad = {});
    ~FriendLists();
    FriendLists(const FriendLists&) = delete;
    FriendLists& operator=(const FriendLists&) = delete;

    // Reads owner's list afresh (at each logon).
    void Load(const std::string& owner);
    // Drops owner's list (the subscriber went off line).
    void Forget(const std::string& owner);
    // Takes the lists the loader finished.
    void Collect();

    enum class State { Absent, Loading, Ready };
    // The owner's list when Ready (valid until the next call of this class).
    State Get(const std::string& owner, const std::vector<FriendRow>** rows);

    // Keep a held list in step with what was just written to the database.
    void Stored(const FriendRow& row);
    void Removed(const std::string& owner, std::uint32_t recordId);

    // Waits until the loader has nothing left to do; false on time-out.
    bool WaitIdle(int timeoutMs);

private:
    struct List {
        State state = State::Loading;
        std::uint64_t generation = 0; // of the load whose result is wanted
        std::vector<FriendRow> rows;
    };
    struct Job {
        std::string owner;
        std::uint64_t generation = 0;
    };
    struct Result {
        Job job;
        bool ok = false;
        std::vector<FriendRow> rows;
    };
    void Restart(const std::string& owner, List& list);
    void LoaderMain();

    SubscriberDb& m_db;
    BeforeLoad m_beforeLoad;
    std::map<std::string, List> m_lists; // server's thread only
    std::uint64_t m_nextGeneration = 1;

    std::mutex m_mutex; // guards the queues below and m_stop, m_busy
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    std::vector<Result> m_results;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_loader; // last: starts after everything above exists
};

} // namespace orv
