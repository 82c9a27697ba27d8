// The server's diagnostic log: one line per event on standard error, with the time of day.
// Standard output is kept for the machine-readable lines (LISTEN, DEMO, ADMIN).
#pragma once

namespace orv {

void ServerLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Off for the fuzz target and benchmarks, which would drown in lines.
void SetServerLogEnabled(bool enabled);

} // namespace orv
