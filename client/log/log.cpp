// The process-wide diagnostic log: one lock serialises every line, so lines from all threads
// stay whole and in call order; each line is flushed at once so the trace survives a crash.
#include "client/log/log.h"

#include "platform/message.h"
#include "platform/paths.h"
#include "platform/thread.h"
#include "platform/tick.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace orv {
namespace {

// Whole line including its terminating NUL; the newline is written after it.
constexpr std::size_t kLineBytes = 1025;

struct Logger {
    int threshold = 255;
    std::string folder;
    std::string baseName;
    std::FILE* file = nullptr; // opened on the first line written
    std::FILE* console = stderr;
};

// Never destroyed: threads may still log while static objects are torn down at exit.
CriticalSection& LogLock() {
    static CriticalSection* lock = new CriticalSection;
    return *lock;
}
std::unique_ptr<Logger>& TheLogger() {
    static auto* logger = new std::unique_ptr<Logger>;
    return *logger;
}

std::vector<std::string_view> SplitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while (pos < text.size()) {
        pos = text.find_first_not_of(" \t", pos);
        if (pos == std::string_view::npos) break;
        const std::size_t end = std::min(text.find_first_of(" \t", pos), text.size());
        words.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

bool IsLogWord(std::string_view word) {
    if (word.size() != 3) return false;
    const char upper[3] = {static_cast<char>(std::toupper(static_cast<unsigned char>(word[0]))),
                           static_cast<char>(std::toupper(static_cast<unsigned char>(word[1]))),
                           static_cast<char>(std::toupper(static_cast<unsigned char>(word[2])))};
    return std::string_view(upper, 3) == "LOG";
}

// Leading decimal value like the C library's conversion (non-numeric gives 0), clamped to
// the int range instead of overflowing.
int ParseLevel(std::string_view word) {
    const std::string text(word);
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

void CloseFile(Logger& logger) {
    if (logger.file) std::fclose(logger.file);
    logger.file = nullptr;
}

} // namespace

void OpenLog(const std::string& commandLine) {
    {
        std::lock_guard<CriticalSection> lock(LogLock());
        auto& logger = TheLogger();
        if (logger) CloseFile(*logger); // opening again starts over with the new command line
        logger.reset();
        const std::vector<std::string_view> words = SplitWords(commandLine);
        if (!words.empty() && IsLogWord(words[0])) {
            logger = std::make_unique<Logger>();
            logger->folder = HomeFolder();
            logger->baseName = ModuleName();
            if (words.size() >= 2) logger->threshold = ParseLevel(words[1]);
        }
    }
    WriteLog(3, "********ORV Client Start************");
}

void CloseLog() {
    WriteLog(3, "********ORV Client End*************");
    std::lock_guard<CriticalSection> lock(LogLock());
    auto& logger = TheLogger();
    if (logger) CloseFile(*logger);
    logger.reset();
}

int WriteLog(int level, const char* format, ...) {
    std::lock_guard<CriticalSection> lock(LogLock());
    Logger* logger = TheLogger().get();
    if (!logger) return 0;
    if (level > logger->threshold) return 1;

    char line[kLineBytes];
    const LocalTime now = GetLocalTime();
    int used = std::snprintf(line, sizeof line, " [%02u:%02u:%02u,TID=0x%04x] ", static_cast<unsigned>(now.hour),
                             static_cast<unsigned>(now.minute), static_cast<unsigned>(now.second),
                             static_cast<unsigned>(GetCurrentThreadId()));
    if (used < 0) used = 0;
    if (static_cast<std::size_t>(used) < sizeof line - 1 && format) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(line + used, sizeof line - static_cast<std::size_t>(used), format, args); // cuts at the limit
        va_end(args);
    }

    if (!logger->file) {
        const std::string path = JoinPath(logger->folder, logger->baseName + ".log");
        logger->file = std::fopen(path.c_str(), "a+e"); // on failure only the console gets the line
    }
    if (logger->file) {
        std::fprintf(logger->file, "%s\n", line);
        std::fflush(logger->file);
    }
    std::fprintf(logger->console, "%s\n", line);
    std::fflush(logger->console);
    return 1;
}

} // namespace orv
