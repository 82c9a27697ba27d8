#include "client/video/capture/threaded_camera.h"

#include <utility>

namespace orv {

ThreadedCamera::~ThreadedCamera() {
    Stop();
}

bool ThreadedCamera::Start(VideoFrameCallback onFrame) {
    if (m_thread.joinable()) {
        if (m_running.load()) return true;
        Stop(); // the stream had ended on its own: start over
    }
    if (!BeforeStart()) return false;
    m_stop = false;
    m_running = true;
    m_thread = std::thread([this, callback = std::move(onFrame)] {
        RunLoop(callback, m_stop);
        m_running = false;
    });
    return true;
}

void ThreadedCamera::Stop() {
    m_stop = true;
    if (!m_thread.joinable()) return;
    WakeRunLoop();
    m_thread.join();
    m_running = false;
    AfterStop();
}

std::string ThreadedCamera::LastError() const {
    std::lock_guard lock(m_errorLock);
    return m_error;
}

void ThreadedCamera::SetError(const std::string& text) {
    std::lock_guard lock(m_errorLock);
    m_error = text;
}

} // namespace orv
