#include "server/server_log.h"

#include "platform/tick.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace orv {

namespace {
std::atomic<bool> g_enabled{true};
std::mutex g_mutex;
} // namespace

void SetServerLogEnabled(bool enabled) { g_enabled = enabled; }

void ServerLog(const char* format, ...) {
    if (!g_enabled) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const LocalTime t = GetLocalTime();
    std::lock_guard<std::mutex> lock(g_mutex);
    std::fprintf(stderr, "%02d:%02d:%02d.%03d %s\n", t.hour, t.minute, t.second, t.millisecond, text);
}

} // namespace orv
