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

void DropLog::Write(std::uint32_t now, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteV(now, format, args);
    va_end(args);
}

void DropLog::WriteV(std::uint32_t now, const char* format, va_list args) {
    ++m_count;
    if (!m_started || TickDiff(now, m_windowStart) >= static_cast<std::int32_t>(kWindowMs)) {
        if (m_linesInWindow > kLinesPerWindow) {
            ServerLog("%s: %d more lines not logged", m_name, m_linesInWindow - kLinesPerWindow);
        }
        m_started = true;
        m_windowStart = now;
        m_linesInWindow = 0;
    }
    if (++m_linesInWindow > kLinesPerWindow) return;
    char line[512];
    std::vsnprintf(line, sizeof line, format, args);
    ServerLog("%s: %s%s", m_name, m_prefix, line);
}

} // namespace orv
