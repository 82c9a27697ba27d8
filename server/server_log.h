// The server's diagnostic log: one line per event on standard error, with the time of day.
// Standard output is kept for the machine-readable lines (LISTEN, DEMO, ADMIN).
#pragma once

#include <cstdarg>
#include <cstdint>

namespace orv {

void ServerLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Off for the fuzz target and benchmarks, which would drown in lines.
void SetServerLogEnabled(bool enabled);

// The log lines that anyone can set off (junk datagrams, refused logons, keep-alives of
// unknown endpoints): at most kLinesPerWindow a second, each as "NAME: PREFIX..."; what goes
// beyond is counted and summed up in one line when the next second begins. Time comes in
// as ticks.
class DropLog {
public:
    static constexpr int kLinesPerWindow = 10;
    static constexpr std::uint32_t kWindowMs = 1000;

    explicit DropLog(const char* name, const char* linePrefix = "drop ") : m_name(name), m_prefix(linePrefix) {}
    void Write(std::uint32_t now, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void WriteV(std::uint32_t now, const char* format, va_list args) __attribute__((format(printf, 3, 0)));
    // Every line written, logged or not: what was dropped.
    std::uint64_t Count() const { return m_count; }

private:
    const char* m_name;
    const char* m_prefix;
    bool m_started = false;
    std::uint32_t m_windowStart = 0;
    int m_linesInWindow = 0;
    std::uint64_t m_count = 0;
};

} // namespace orv
