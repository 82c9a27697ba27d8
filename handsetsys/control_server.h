// The virtual handset's control socket: a Unix stream socket in the home folder
// ("handset.sock") that takes one text command per line and answers each with one line,
// "ok ..." or "error ...". Commands:
//   plug | unplug                 the handset arrives or is removed (notice to the bound window)
//   lift | replace                the hook switch
//   product N                     the product id the next open reports (1..65535)
//   press KEY...                  keys held down until "release"
//   release                       lets go of every key
//   tap KEY... [reads=N]          keys pressed together, each down for N reads of its row
//                                 (1 by default); answers once a scan took them
//   dial KEYS                     taps each character in turn ("8002", "*#")
//   state                         plugged= open= hook= ringer= lamp= product= keys= rejected=
//   dump                          the 64 memory words in hexadecimal
//   write ADDRESS VALUE           programs one memory word directly (the factory's writer)
//   fail N                        the next N register transfers fail
// One client is served at a time; a line longer than kMaxLine ends the connection.
//
// Threads: the server runs its own thread; Stop() ends it and removes the socket.
#pragma once

#include "handsetsys/virtual_handset.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace orv::handsetsys {

constexpr const char* kSocketName = "handset.sock";
constexpr std::size_t kMaxLine = 512;
constexpr int kTapTimeoutMs = 3000;

struct ControlActions {
    std::function<void(bool plugged)> plug; // also posts the notice
};

// Runs one command line against the handset; the answer line without its newline.
std::string RunControlCommand(VirtualHandset& handset, const ControlActions& actions, const std::string& line);

class ControlServer {
public:
    ControlServer(VirtualHandset& handset, ControlActions actions)
        : m_handset(handset), m_actions(std::move(actions)) {}
    ~ControlServer() { Stop(); }
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // False (with the reason) when the socket cannot be made; a stale socket file left by
    // an ended process is replaced, a live one is not.
    bool Start(const std::string& path, std::string* error);
    void Stop();

private:
    void Serve();
    void ServeClient(int fd);
    // Waits until fd has something to read (or an error to tell); false once stopping.
    bool WaitReadable(int fd) const;

    VirtualHandset& m_handset;
    ControlActions m_actions;
    std::string m_path;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

} // namespace orv::handsetsys
