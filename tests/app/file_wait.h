// Reading a file a child process writes, and waiting (bounded) until it shows a text.
#pragma once

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace orv {

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

inline bool FileShows(const std::string& path, const std::string& text, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        if (ReadAll(path).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

} // namespace orv
