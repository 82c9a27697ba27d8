#include "tests/handlers/client_shell_fixture.h"

#include "client/log/log.h"
#include "client/net/msg_handler.h"
#include "platform/paths.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace orv::test {

std::string MakeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orv-handlers-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void RemoveFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

ConfigEnvironment TestConfigEnvironment(const std::string& home) {
    ConfigEnvironment env;
    env.programFolder = home;
    env.homeFolder = home;
    env.moduleName = "orvtest";
    env.locale = "C";
    env.captureDevices = [] { return std::vector<SoundInputDevice>{}; };
    env.imagingDevices = [] { return std::vector<std::string>{}; };
    env.canOpenG7231 = [] { return false; };
    return env;
}

void ClientShellTest::OpenShell(std::uint32_t endpoint, const std::string& windowTitle) {
    m_home = MakeTempFolder();
    SetHomeFolder(m_home);
    OpenLog("LOG");
    EndpointID.store(endpoint);
    m_timers = std::make_shared<CTimerManager>([this] { return m_clock.load(); }, false);
    InstallTimerManager(m_timers);
    m_net = std::make_unique<CNetMsgThread>();
    ASSERT_TRUE(m_net->IsNetworkReady());
    SetNetMsgThread(m_net.get());
    m_config = std::make_unique<ClientConfig>(TestConfigEnvironment(m_home));
    m_records = std::make_unique<CallRecordList>(m_home, [] { return 1700000000u; });
    m_window = std::make_unique<FunctionWindow>([this](UINT message, WPARAM wParam, LPARAM lParam) {
        m_messages.push_back(MSG{0, message, wParam, lParam, 0});
        return LRESULT{0};
    });
    m_window->Create(windowTitle.c_str());
}

void ClientShellTest::ReleaseAndCloseShell(CMsgHandler* handler) {
    if (handler != nullptr) handler->Release();
    // A handler goes on the thread that gave back its last use, as its messages run.
    Pump([] { return false; }, 200);
    CloseShell();
}

void ClientShellTest::CloseShell() {
    m_window.reset();
    SetNetMsgThread(nullptr);
    m_net.reset();
    InstallTimerManager(nullptr);
    m_timers.reset();
    EndpointID.store(0);
    CloseLog();
    RemoveFolder(m_home);
}

} // namespace orv::test
