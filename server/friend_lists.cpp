#include "server/friend_lists.h"

#include "server/server_log.h"
#include "server/subscriber_db.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>

namespace orv {

FriendLists::FriendLists(SubscriberDb& db, BeforeLoad beforeLoad)
    : m_db(db), m_beforeLoad(std::move(beforeLoad)), m_loader([this] { LoaderMain(); }) {}

FriendLists::~FriendLists() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_loader.join();
}

void FriendLists::Restart(const std::string& owner, List& list) {
    list.state = State::Loading;
    list.rows.clear();
    list.generation = m_nextGeneration++;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back({owner, list.generation});
    }
    m_wake.notify_one();
}

void FriendLists::Load(const std::string& owner) { Restart(owner, m_lists[owner]); }

void FriendLists::Forget(const std::string& owner) { m_lists.erase(owner); }

void FriendLists::Collect() {
    std::vector<Result> results;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        results.swap(m_results);
    }
    for (Result& r : results) {
        auto it = m_lists.find(r.job.owner);
        // A list forgotten or reloaded since this load began does not take its result.
        if (it == m_lists.end() || it->second.generation != r.job.generation) continue;
        if (r.ok) {
            it->second.state = State::Ready;
            it->second.rows = std::move(r.rows);
        } else {
            m_lists.erase(it); // the next index request starts another load
        }
    }
}

FriendLists::State FriendLists::Get(const std::string& owner, const std::vector<FriendRow>** rows) {
    auto it = m_lists.find(owner);
    if (it == m_lists.end()) return State::Absent;
    if (it->second.state == State::Ready) *rows = &it->second.rows;
    return it->second.state;
}

void FriendLists::Stored(const FriendRow& row) {
    auto it = m_lists.find(row.owner);
    if (it == m_lists.end()) return;
    if (it->second.state == State::Loading) {
        Restart(row.owner, it->second);
        return;
    }
    auto& rows = it->second.rows;
    auto same = std::find_if(rows.begin(), rows.end(), [&](const FriendRow& r) { return r.recordId == row.recordId; });
    if (same != rows.end()) {
        *same = row;
    } else {
        rows.push_back(row);
    }
}

void FriendLists::Removed(const std::string& owner, std::uint32_t recordId) {
    auto it = m_lists.find(owner);
    if (it == m_lists.end()) return;
    if (it->second.state == State::Loading) {
        Restart(owner, it->second);
        return;
    }
    auto& rows = it->second.rows;
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](const FriendRow& r) { return r.recordId == recordId; }),
               rows.end());
}

bool FriendLists::WaitIdle(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_jobs.empty() && !m_busy; });
}

void FriendLists::LoaderMain() {
    FriendDb friends(m_db);
    sqlite3_mutex* const connection = sqlite3_db_mutex(m_db.Handle());
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
        if (m_stop) return;
        Result result;
        result.job = m_jobs.front();
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        if (m_beforeLoad) m_beforeLoad(result.job.owner);
        // Holding the connection's lock for the whole read keeps its error text ours.
        sqlite3_mutex_enter(connection);
        result.ok = friends.List(result.job.owner, &result.rows);
        if (!result.ok) ServerLog("cannot load the friends of %s: %s", result.job.owner.c_str(), friends.LastError().c_str());
        sqlite3_mutex_leave(connection);
        lock.lock();
        m_results.push_back(std::move(result));
        m_busy = false;
        if (m_jobs.empty()) m_idle.notify_all();
    }
}

} // namespace orv
