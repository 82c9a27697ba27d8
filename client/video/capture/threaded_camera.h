// The thread every camera delivers its frames on: start, stop (joins the thread, so no
// callback runs after it), running state and the last error.
#pragma once

#include "client/video/capture/video_source.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace orv {

class ThreadedCamera : public VideoSource {
  public:
    ~ThreadedCamera() override; // a derived camera calls Stop() in its own destructor first

    bool Start(VideoFrameCallback onFrame) override;
    void Stop() override;
    bool IsRunning() const override { return m_running.load(); }
    std::string LastError() const override;

  protected:
    // Prepares the device for streaming (calling thread); false fails Start.
    virtual bool BeforeStart() { return true; }
    // Delivers frames until stop becomes true or the stream ends (camera thread).
    virtual void RunLoop(const VideoFrameCallback& onFrame, const std::atomic<bool>& stop) = 0;
    // Wakes a RunLoop that is blocked waiting, once stop is true (calling thread of Stop).
    virtual void WakeRunLoop() {}
    // Undoes BeforeStart once the thread has ended (calling thread of Stop).
    virtual void AfterStop() {}
    void SetError(const std::string& text);

  private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    mutable std::mutex m_errorLock;
    std::string m_error;
};

} // namespace orv
