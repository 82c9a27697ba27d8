// Posted-message throughput and cross-thread SendMessage latency of the message layer, each
// beside a plain mutex + condition variable queue doing the same work in the same run.
#include "platform/message.h"
#include "platform/thread.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace orv {
namespace {

constexpr UINT kMsgWork = WM_USER + 1;
constexpr int kBatch = 10000;

// The baseline: a queue of messages for a handler, served by one thread.
class PlainQueue {
public:
    void Post(const MSG& msg) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(msg);
        }
        m_cv.notify_one();
    }
    MSG Get() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [this] { return !m_queue.empty(); });
        MSG msg = m_queue.front();
        m_queue.pop_front();
        return msg;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<MSG> m_queue;
};

// A thread that posts a batch of messages each time it is asked to.
class BatchPoster {
public:
    explicit BatchPoster(std::function<void(int)> post) : m_post(std::move(post)), m_thread([this] { Loop(); }) {}
    ~BatchPoster() {
        m_stop = true;
        m_go.Set();
        m_thread.join();
    }
    void PostBatch() { m_go.Set(); }

private:
    void Loop() {
        for (;;) {
            m_go.Wait();
            if (m_stop)
                return;
            for (int i = 0; i < kBatch; ++i)
                m_post(i);
        }
    }
    std::function<void(int)> m_post;
    Event m_go{false, false};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

void BM_PostedDispatch_MessageLayer(benchmark::State& state) {
    std::int64_t sum = 0;
    FunctionWindow window([&](UINT, WPARAM w, LPARAM) -> LRESULT {
        sum += static_cast<std::int64_t>(w);
        return 0;
    });
    const HWND hwnd = window.Create("bench");
    BatchPoster poster([hwnd](int i) { PostMessage(hwnd, kMsgWork, static_cast<WPARAM>(i), 0); });
    MSG msg;
    for (auto _ : state) {
        poster.PostBatch();
        for (int i = 0; i < kBatch; ++i) {
            GetMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kBatch);
}

void BM_PostedDispatch_MutexCondvar(benchmark::State& state) {
    std::int64_t sum = 0;
    std::function<LRESULT(UINT, WPARAM, LPARAM)> handler = [&](UINT, WPARAM w, LPARAM) -> LRESULT {
        sum += static_cast<std::int64_t>(w);
        return 0;
    };
    PlainQueue queue;
    BatchPoster poster([&queue](int i) { queue.Post(MSG{1, kMsgWork, static_cast<WPARAM>(i), 0, 0}); });
    for (auto _ : state) {
        poster.PostBatch();
        for (int i = 0; i < kBatch; ++i) {
            const MSG msg = queue.Get();
            handler(msg.message, msg.wParam, msg.lParam);
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kBatch);
}

class EchoThread : public WorkerThread {
public:
    ~EchoThread() override { Stop(); }
    HWND Hwnd() {
        m_ready.Wait();
        return m_hwnd;
    }

protected:
    bool InitInstance() override {
        m_window = std::make_unique<FunctionWindow>(
            [](UINT, WPARAM w, LPARAM) -> LRESULT { return static_cast<LRESULT>(w + 1); });
        m_hwnd = m_window->Create("echo");
        m_ready.Set();
        return true;
    }
    int ExitInstance() override {
        m_window.reset();
        return 0;
    }

private:
    std::unique_ptr<FunctionWindow> m_window;
    HWND m_hwnd = 0;
    Event m_ready{true, false};
};

void BM_SendLatency_MessageLayer(benchmark::State& state) {
    EchoThread echo;
    echo.Start();
    const HWND hwnd = echo.Hwnd();
    WPARAM i = 0;
    for (auto _ : state) {
        const LRESULT r = SendMessage(hwnd, kMsgWork, i, 0);
        if (r != static_cast<LRESULT>(i + 1))
            state.SkipWithError("wrong result");
        ++i;
    }
}

// The baseline: a request slot served by one thread, the caller waiting for the answer.
void BM_SendLatency_MutexCondvar(benchmark::State& state) {
    std::mutex mutex;
    std::condition_variable toServer, toCaller;
    bool request = false, answered = false, stop = false;
    WPARAM argument = 0;
    LRESULT result = 0;
    std::function<LRESULT(UINT, WPARAM, LPARAM)> handler = [](UINT, WPARAM w, LPARAM) -> LRESULT {
        return static_cast<LRESULT>(w + 1);
    };
    std::thread server([&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            toServer.wait(lock, [&] { return request || stop; });
            if (stop)
                return;
            request = false;
            result = handler(kMsgWork, argument, 0);
            answered = true;
            toCaller.notify_one();
        }
    });
    WPARAM i = 0;
    for (auto _ : state) {
        std::unique_lock<std::mutex> lock(mutex);
        argument = i;
        request = true;
        answered = false;
        toServer.notify_one();
        toCaller.wait(lock, [&] { return answered; });
        if (result != static_cast<LRESULT>(i + 1))
            state.SkipWithError("wrong result");
        ++i;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    toServer.notify_one();
    server.join();
}

BENCHMARK(BM_PostedDispatch_MessageLayer)->UseRealTime();
BENCHMARK(BM_PostedDispatch_MutexCondvar)->UseRealTime();
BENCHMARK(BM_SendLatency_MessageLayer)->UseRealTime();
BENCHMARK(BM_SendLatency_MutexCondvar)->UseRealTime();

} // namespace
} // namespace orv

BENCHMARK_MAIN();
