// An update server that means harm, for the handler test: its list offers names with
// folders, "..", absolute paths and control characters beside ordinary ones, and its file
// answers send a name that was not asked for, no data, or a refusal; one file is large
// enough to arrive in many pieces. Prints
// "LISTEN update tcp ADDR:PORT" and serves until killed.
#include "platform/message.h"
#include "server/account_packets.h"
#include "server/stream_listener.h"
#include "server/user_packets.h"
#include "tcplink/tcplink.h"
#include "wire/packet_header.h"
#include "wire/update_messages.h"

#include <cstdio>
#include <map>

using namespace orv;

namespace {

constexpr std::size_t kLargeFileBytes = 256 * 1024;

// Many times the link's receive chunk, with no repeat shorter than the file.
std::string LargeData() {
    std::string data(kLargeFileBytes, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 2654435761u) >> 13);
    return data;
}

struct Answer {
    std::uint8_t status;
    std::string name; // the record the answer names
    std::string data;
};

const std::map<std::string, Answer> kAnswers = {
    {"empty.txt", {0, "empty.txt", ""}},
    {"orvphone", {0, "orvphone", "new client"}},
    {"updater", {0, "updater", "new updater"}},
    {"decoy.txt", {0, "../escape.txt", "escaped"}},
    {"missing.txt", {1, "missing.txt", ""}},
    {"large.dat", {0, "large.dat", LargeData()}},
};

std::vector<std::uint8_t> AnswerFor(std::uint32_t seq, const std::string& name) {
    const auto it = kAnswers.find(name);
    const Answer a = it != kAnswers.end() ? it->second : Answer{1, name, ""};
    std::vector<std::uint8_t> packet = BuildFileDataHead(seq, a.status, {a.name, 1, 2}, a.data.size());
    packet.insert(packet.end(), a.data.begin(), a.data.end());
    return packet;
}

} // namespace

int main() {
    StreamListener* listener = nullptr;
    const UINT notify = RegisterWindowMessage(kTcpNotifyMsgName);
    FunctionWindow window([&](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == notify && listener != nullptr)
            listener->OnTcpEvent(reinterpret_cast<const LinkEvent*>(wParam), reinterpret_cast<const void*>(lParam));
        return LRESULT{0};
    });
    window.Create("hostile update server");
    if (TcpInit(window.GetSafeHwnd()) == 0) return 1;
    StreamListener server("update", StreamListenerLimits{kDownFileRequestSize},
                          [&](LinkHandle link, const std::uint8_t* data, std::size_t size, std::uint32_t) {
                              PacketHeader h;
                              ReadPacketHeader(data, size, &h);
                              std::string name;
                              std::uint32_t start = 0;
                              if (h.type == kPktStreamKeepAlive) {
                                  listener->Send(link, BuildHeaderOnly(kPktStreamKeepAlive, h.seqNum));
                              } else if (h.type == kPktFileList) {
                                  listener->Send(link, BuildFileListAnswer(h.seqNum, {{"../evil.txt", 1, 9},
                                                                                      {"/tmp/orv-abs.txt", 1, 9},
                                                                                      {"sub/inner.txt", 1, 9},
                                                                                      {"bad\x01.txt", 1, 9},
                                                                                      {"..", 1, 9},
                                                                                      {"same.txt", 1, 5},
                                                                                      {"empty.txt", 1, 1},
                                                                                      {"orvphone", 1, 2},
                                                                                      {"updater", 1, 2},
                                                                                      {"decoy.txt", 1, 1},
                                                                                      {"missing.txt", 1, 1},
                                                                                      {"large.dat", 1, 1}}));
                              } else if (ParseDownFile(data, size, &name, &start)) {
                                  listener->Send(link, AnswerFor(h.seqNum, name));
                              }
                              return true;
                          });
    listener = &server;
    std::uint16_t port = 0;
    std::string error;
    if (!server.Listen("127.0.0.1", 0, &port, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("LISTEN update tcp 127.0.0.1:%u\n", port);
    std::fflush(stdout);
    return RunMessageLoop();
}
