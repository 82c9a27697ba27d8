#include "client/data/file_writer_thread.h"

#include "client/data/atomic_file.h"
#include "client/data/damaged_file.h"
#include "client/log/log.h"

#include <algorithm>

namespace orv {

FileWriterThread::FileWriterThread() : m_thread([this] { Run(); }) {}

FileWriterThread::~FileWriterThread() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void FileWriterThread::SetFailureHandler(FailureHandler handler) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_onFailure = std::move(handler);
}

void FileWriterThread::Write(const std::string& path, std::vector<std::uint8_t> bytes,
                             bool keepDamagedFirst) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (keepDamagedFirst) m_keepFirst.insert(path);
        const auto waiting = std::find_if(m_jobs.begin(), m_jobs.end(),
                                          [&path](const Job& job) { return job.path == path; });
        if (waiting != m_jobs.end()) {
            waiting->bytes = std::move(bytes);
        } else {
            m_jobs.push_back({path, std::move(bytes)});
        }
    }
    m_wake.notify_one();
}

void FileWriterThread::Flush() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

bool FileWriterThread::WriteOne(const Job& job) {
    bool keepFirst;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        keepFirst = m_keepFirst.count(job.path) != 0;
    }
    if (keepFirst) {
        if (!KeepDamagedFile(job.path)) return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_keepFirst.erase(job.path);
    }
    if (WriteFileAtomically(job.path, job.bytes)) return true;
    WriteLog(2, "Cannot write %s", job.path.c_str());
    return false;
}

void FileWriterThread::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
        if (m_jobs.empty()) return; // stopping with nothing left to write
        const Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        const bool written = WriteOne(job);
        lock.lock();
        FailureHandler onFailure = written ? FailureHandler() : m_onFailure;
        if (onFailure) {
            lock.unlock();
            onFailure(job.path);
            lock.lock();
        }
        m_busy = false;
        m_done.notify_all();
    }
}

} // namespace orv
