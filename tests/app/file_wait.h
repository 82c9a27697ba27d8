// Reading a file a child process writes, and waiting (bounded) until it shows a text; writing
// one for a child process to find.
#pragma once

#include <sys/stat.h>

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

// Replaces the file's content; executable: mode 0755.
inline void WriteAll(const std::string& path, const std::string& text, bool executable = false) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    if (executable) ::chmod(path.c_str(), 0755);
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
