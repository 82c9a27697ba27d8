// What a fuzz target needs to run the client's handlers on its own thread: a home folder of
// its own, a configuration with no devices, and timers with no thread (they run only when
// the target scans them, so a run is the same every time).
#pragma once

#include "client/data/client_config.h"
#include "client/net/msg_handler.h"
#include "client/net/timer_manager.h"
#include "platform/paths.h"

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orv {

// A folder under the temporary folder, made the process's home folder.
inline std::string UseFuzzHome(const std::string& name) {
    const std::string home = (std::filesystem::temp_directory_path() / name).string();
    std::filesystem::create_directories(home);
    SetHomeFolder(home);
    return home;
}

inline std::unique_ptr<ClientConfig> MakeFuzzConfig(const std::string& home) {
    ConfigEnvironment env;
    env.programFolder = home;
    env.homeFolder = home;
    env.moduleName = "orvfuzz";
    env.locale = "C";
    env.captureDevices = [] { return std::vector<SoundInputDevice>{}; };
    env.imagingDevices = [] { return std::vector<std::string>{}; };
    env.canOpenG7231 = [] { return false; };
    return std::make_unique<ClientConfig>(env);
}

inline std::shared_ptr<CTimerManager> InstallFuzzTimers(CTimerManager::Clock clock) {
    auto timers = std::make_shared<CTimerManager>(std::move(clock), false);
    InstallTimerManager(timers);
    return timers;
}

} // namespace orv
