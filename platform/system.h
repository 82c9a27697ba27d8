// Process, shell and network facts from the operating system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Executable names (as in /proc/<pid>/comm, falling back to the exe link's file name) of
// every running process, one entry per process.
std::vector<std::string> RunningProcessNames();
// Number of running processes whose executable name equals name (case-insensitive).
int CountRunningProcesses(const std::string& name);

// Starts one of our own programs (path to an executable) detached, with posix_spawn.
bool ShellOpenProgram(const std::string& path, const std::vector<std::string>& args = {});
// Opens a document or web address with xdg-open, detached. False when it cannot be started.
bool ShellOpenDocument(const std::string& target);

struct LocalAddress {
    std::uint32_t address; // IPv4 in network byte order (as in sockaddr_in)
    std::uint32_t mask;    // subnet mask in network byte order
    std::string interfaceName;
};
// Every up IPv4 address of the machine (loopback included, listed last).
std::vector<LocalAddress> LocalIPv4Addresses();

// Host-name lookup: the first IPv4 address (network byte order) of name, or a dotted quad
// parsed as is. Returns false when it cannot be resolved.
bool ResolveIPv4(const std::string& name, std::uint32_t* address);

} // namespace orv
