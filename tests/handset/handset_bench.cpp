#include "tests/handset/handset_bench.h"

#include "client/handset/handset_memory.h"
#include "handset/handset.h"
#include "platform/paths.h"

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>

namespace orv {
namespace {

std::mutex g_lock;
std::condition_variable g_changed;
std::vector<int> g_keys;
std::vector<std::pair<int, int>> g_devices;

void OnKey(int code) {
    std::lock_guard<std::mutex> l(g_lock);
    g_keys.push_back(code);
    g_changed.notify_all();
}

void OnDevice(int present, int reserved) {
    std::lock_guard<std::mutex> l(g_lock);
    g_devices.emplace_back(present, reserved);
}

} // namespace

bool WriteHandsetMemory(const std::string& path, std::uint8_t key, std::uint32_t customer,
                        const std::string& number) {
    std::uint16_t words[64];
    for (auto& w : words) w = 0xFFFF;
    words[kHandsetWordKey] = MakeKeyWord({key, static_cast<std::uint8_t>(number.empty() ? 0 : 1)});
    CustomerNumberToWords(customer, key, &words[kHandsetWordCustomer], &words[kHandsetWordCustomer + 1]);
    std::vector<std::uint16_t> numberWords;
    if (!number.empty() && !OrvNumberToWords(number, key, &numberWords))
        return false;
    for (std::size_t i = 0; i < numberWords.size(); ++i) words[kHandsetWordNumber + i] = numberWords[i];
    std::ofstream out(path, std::ios::binary);
    for (std::uint16_t w : words) out.put(static_cast<char>(w & 0xFF)).put(static_cast<char>(w >> 8));
    return static_cast<bool>(out);
}

HandsetBench::HandsetBench() { SetHomeFolder(m_home.Path()); }

bool HandsetBench::Open() {
    m_window = std::make_unique<FunctionWindow>([](UINT, WPARAM, LPARAM) { return LRESULT{0}; });
    if (!m_window->Create("handset bench") || Phone_Open(&OnKey) != 0 || Phone_Bind(Window(), &OnDevice) != 1)
        return false;
    return StartControl();
}

bool HandsetBench::StartControl() {
    return m_control.Start(ProgramPath("handsetctl"), {"--home", m_home.Path()}, m_home.File("handsetctl.err"));
}

HandsetBench::~HandsetBench() {
    m_control.CloseInput();
    m_control.WaitExit(kWaitMs);
    Phone_Bind(0, nullptr);
    Phone_Close();
}

std::string HandsetBench::Command(const std::string& line) {
    std::string answer;
    if (!m_control.WriteLine(line) || !m_control.WaitForLine("", kWaitMs, &answer))
        return "";
    return answer;
}

bool HandsetBench::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MSG msg;
        if (GetMessageTimeout(&msg, 20))
            DispatchMessage(&msg);
    }
    return true;
}

bool HandsetBench::WaitKeyCount(std::size_t count, int timeoutMs) {
    std::unique_lock<std::mutex> l(g_lock);
    return g_changed.wait_for(l, std::chrono::milliseconds(timeoutMs), [count] { return g_keys.size() >= count; });
}

std::vector<int> HandsetBench::Keys() {
    std::lock_guard<std::mutex> l(g_lock);
    return g_keys;
}

std::vector<std::pair<int, int>> HandsetBench::Devices() {
    std::lock_guard<std::mutex> l(g_lock);
    return g_devices;
}

} // namespace orv
