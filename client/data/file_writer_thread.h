// Writes whole files on a thread of its own, so that a caller holding a lock on a busy
// thread (the network thread's call reports) never waits for the disk. Files are written in
// the order they were handed over, each replaced atomically (atomic_file.h), so the file
// on disk is always a whole one. A file handed over again before its earlier content was
// written is written once, with the newest content: at most one content per file waits.
// The destructor writes everything still waiting before it returns.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace orv {

class FileWriterThread {
  public:
    // Called on the writer thread with the path of a file that could not be written.
    using FailureHandler = std::function<void(const std::string& path)>;

    FileWriterThread();
    ~FileWriterThread();
    FileWriterThread(const FileWriterThread&) = delete;
    FileWriterThread& operator=(const FileWriterThread&) = delete;

    void SetFailureHandler(FailureHandler handler);
    // keepDamagedFirst: the file now at path could not be read whole; it is kept beside
    // itself (damaged_file.h) before the first write that replaces it, and never replaced
    // while that fails.
    void Write(const std::string& path, std::vector<std::uint8_t> bytes,
               bool keepDamagedFirst = false);
    // Waits until everything handed over so far was written (or failed).
    void Flush();

  private:
    struct Job {
        std::string path;
        std::vector<std::uint8_t> bytes;
    };
    void Run();
    bool WriteOne(const Job& job);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Job> m_jobs;
    std::set<std::string> m_keepFirst; // paths whose damaged file is still to be kept
    FailureHandler m_onFailure;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread; // last: started when everything above is ready
};

} // namespace orv
