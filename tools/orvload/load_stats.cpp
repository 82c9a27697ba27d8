#include "tools/orvload/load_stats.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
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

namespace {

// The inodes of pid's sockets, from its descriptors' links ("socket:[1234]"); false when
// its descriptors cannot be read.
bool SocketInodes(int pid, std::set<unsigned long long>* inodes) {
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) return false;
    for (const auto& entry : entries) {
        char target[64];
        const ssize_t size = ::readlink(entry.path().c_str(), target, sizeof target - 1);
        if (size <= 0) continue;
        target[size] = '\0';
        unsigned long long inode = 0;
        if (std::sscanf(target, "socket:[%llu]", &inode) == 1) inodes->insert(inode);
    }
    return true;
}

// The whole table file, read in large pieces: the kernel walks the table afresh at every
// read call, so few calls leave sockets that come and go meanwhile less chance to shift a
// line past the reader.
std::string ReadWhole(const std::string& path) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    std::vector<char> piece(1 << 20);
    for (ssize_t got; (got = ::read(fd, piece.data(), piece.size())) > 0;) {
        text.append(piece.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

// The drops of the table line for local port with one of inodes (any inode when inodes is
// null); -1 when there is none.
long long DropsInTable(const std::string& table, std::uint16_t port, const std::set<unsigned long long>* inodes) {
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    std::istringstream lines(table);
    std::string line;
    std::getline(lines, line); // the heading
    while (std::getline(lines, line)) {
        // sl local remote st tx:rx tr:when retransmits uid timeout inode refs pointer drops
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;) words.push_back(word);
        if (words.size() < 13 || words[1].size() < 5 || words[1].compare(words[1].size() - 5, 5, wanted) != 0) continue;
        if (inodes != nullptr && inodes->count(std::strtoull(words[9].c_str(), nullptr, 10)) == 0) continue;
        return std::strtoll(words[12].c_str(), nullptr, 10);
    }
    return -1;
}

} // namespace

long long ReadUdpDrops(int pid, std::uint16_t port) {
    std::set<unsigned long long> inodes;
    const bool own = pid > 0 && SocketInodes(pid, &inodes); // else any socket on the port
    if (own && inodes.empty()) return -1;
    const std::string net = pid > 0 ? "/proc/" + std::to_string(pid) + "/net/" : "/proc/net/";
    // A line the walk skipped is there on the next walk, unless the socket itself is gone.
    for (int attempt = 0; attempt < 3; ++attempt) {
        for (const char* table : {"udp", "udp6"}) {
            const long long drops = DropsInTable(ReadWhole(net + table), port, own ? &inodes : nullptr);
            if (drops >= 0) return drops;
        }
    }
    return -1;
}

} // namespace orv
