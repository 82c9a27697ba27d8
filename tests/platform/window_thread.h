// Test helper: a worker thread that owns one FunctionWindow and runs its message loop.
#pragma once

#include "platform/message.h"
#include "platform/thread.h"

#include <atomic>
#include <memory>

namespace orv::test {

class WindowThread : public WorkerThread {
public:
    explicit WindowThread(FunctionWindow::Proc proc) : m_proc(std::move(proc)) {}
    ~WindowThread() override { Stop(10000); }
    HWND Hwnd() const { return m_hwnd.load(); }
    Event& Ready() { return m_ready; }

protected:
    bool InitInstance() override {
        m_window = std::make_unique<FunctionWindow>(m_proc);
        m_hwnd.store(m_window->Create("test window"));
        m_ready.Set();
        return m_hwnd.load() != 0;
    }
    int ExitInstance() override {
        m_window.reset();
        return 0;
    }

private:
    FunctionWindow::Proc m_proc;
    std::unique_ptr<FunctionWindow> m_window;
    std::atomic<HWND> m_hwnd{0};
    Event m_ready{true, false};
};

// Starts the thread and waits until its window exists.
inline bool StartWindowThread(WindowThread& thread) {
    return thread.Start() && thread.Ready().Wait(10000) && thread.Hwnd() != 0;
}

} // namespace orv::test
