// The media factory and the plain media of a call: two bound UDP sockets and no threads.
#include "client/call/call_media.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace orv {

namespace {

std::mutex g_factoryLock;
CallMediaFactory g_factory;

// One bound datagram socket; the descriptor is atomic because sends come from any thread.
class PlainSocket {
public:
    ~PlainSocket() { Close(); }
    bool Bind(std::uint16_t port) {
        int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
        addr.sin_port = htons(port);
        socklen_t size = sizeof(addr);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
            ::close(fd);
            return false;
        }
        m_port.store(ntohs(addr.sin_port));
        m_fd.store(fd);
        return true;
    }
    std::uint16_t Port() const { return m_fd.load() >= 0 ? m_port.load() : 0; }
    long SendTo(const std::uint8_t* data, std::size_t size, std::uint32_t ip, std::uint16_t port) {
        int fd = m_fd.load();
        if (fd < 0 || data == nullptr) return -1;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = ip; // already in network byte order
        to.sin_port = htons(port);
        return ::sendto(fd, data, size, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to), sizeof(to));
    }
    void Close() {
        int fd = m_fd.exchange(-1);
        if (fd >= 0) ::close(fd);
    }

private:
    std::atomic<int> m_fd{-1};
    std::atomic<std::uint16_t> m_port{0};
};

class PlainCallMedia : public CallMedia {
public:
    bool BindSockets(std::uint16_t audioPort, std::uint16_t videoPort) override {
        return m_audio.Bind(audioPort) && m_video.Bind(videoPort);
    }
    std::uint16_t LocalPort(std::uint8_t channel) const override {
        if (channel == kAudioChannel) return m_audio.Port();
        if (channel == kVideoChannel) return m_video.Port();
        return 0;
    }
    long SendOnChannel(std::uint8_t channel, const std::uint8_t* data, std::size_t size, std::uint32_t ip,
                       std::uint16_t port) override {
        if (channel == kAudioChannel) return m_audio.SendTo(data, size, ip, port);
        if (channel == kVideoChannel) return m_video.SendTo(data, size, ip, port);
        return -1;
    }
    int Open(const CallMediaParams&, const CallMediaContext&) override { return 1; }
    void Close() override {}
    bool SendAudioProbe() override { return false; }
    bool SendVideoProbe() override { return false; }

private:
    PlainSocket m_audio;
    PlainSocket m_video;
};

} // namespace

void InstallCallMediaFactory(CallMediaFactory factory) {
    std::lock_guard<std::mutex> lock(g_factoryLock);
    g_factory = std::move(factory);
}

std::unique_ptr<CallMedia> CreateCallMedia() {
    CallMediaFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_factoryLock);
        factory = g_factory;
    }
    if (factory) {
        if (std::unique_ptr<CallMedia> media = factory()) return media;
    }
    return CreatePlainCallMedia();
}

std::unique_ptr<CallMedia> CreatePlainCallMedia() { return std::make_unique<PlainCallMedia>(); }

} // namespace orv
