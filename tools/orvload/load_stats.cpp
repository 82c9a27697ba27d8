#include "tools/orvload/load_stats.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace orv {

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(p / 100.0 * static_cast<double>(values.size()));
    const std::size_t index = rank < 1 ? 0 : std::min(values.size() - 1, static_cast<std::size_t>(rank) - 1);
    return values[index];
}

bool ReadProcess(int pid, ProcessReading* reading) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return false;
    // The command name in parentheses may hold blanks: fields are counted after its end.
    const auto close = text.rfind(')');
    if (close == std::string::npos) return false;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int n = 3; fields >> field; ++n) {
        if (n == 14) utime = std::strtoull(field.c_str(), nullptr, 10);
        if (n == 15) {
            stime = std::strtoull(field.c_str(), nullptr, 10);
            break;
        }
    }
    reading->cpuSeconds = static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    while (std::getline(status, text)) {
        if (text.rfind("VmRSS:", 0) == 0) reading->rssKb = std::strtoull(text.c_str() + 6, nullptr, 10);
    }
    return true;
}

long long ReadMainThreadCpuNs(int pid) {
    std::ifstream schedstat("/proc/" + std::to_string(pid) + "/schedstat");
    long long ns = -1;
    return schedstat >> ns ? ns : -1;
}

long long ReadUdpDrops(std::uint16_t port) {
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line); // the heading
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, field;
        if (!(fields >> slot >> local) || local.size() < 5 || local.compare(local.size() - 5, 5, wanted) != 0) continue;
        std::string last;
        while (fields >> field) last = field;
        return std::strtoll(last.c_str(), nullptr, 10);
    }
    return -1;
}

} // namespace orv
