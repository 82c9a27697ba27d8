#include "client/handset/headset_buttons.h"

#include "client/log/log.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orv {
namespace {

constexpr unsigned kCallKeys[] = {KEY_PICKUP_PHONE, KEY_HANGUP_PHONE, KEY_PHONE, KEY_MICMUTE};
constexpr std::size_t kMaxDevices = 16;     // descriptors polled at most
constexpr std::size_t kReadRecords = 64;    // events taken per read

bool TestBit(const unsigned char* bits, std::size_t size, unsigned bit) {
    return bit / 8 < size && (bits[bit / 8] >> (bit % 8)) & 1;
}

// True when the device can send one of the call keys.
bool HasCallKey(int fd) {
    unsigned char bits[KEY_MAX / 8 + 1] = {};
    const int got = ioctl(fd, EVIOCGBIT(EV_KEY, sizeof bits), bits);
    if (got <= 0)
        return false;
    const std::size_t size = static_cast<std::size_t>(got) < sizeof bits ? static_cast<std::size_t>(got) : sizeof bits;
    for (unsigned key : kCallKeys) {
        if (TestBit(bits, size, key))
            return true;
    }
    return false;
}

} // namespace

int HeadsetButtonForKey(unsigned code) {
    switch (code) {
    case KEY_PICKUP_PHONE: return static_cast<int>(HeadsetButton::Answer);
    case KEY_HANGUP_PHONE: return static_cast<int>(HeadsetButton::HangUp);
    case KEY_PHONE: return static_cast<int>(HeadsetButton::Phone);
    case KEY_MICMUTE: return static_cast<int>(HeadsetButton::MicMute);
    default: return 0;
    }
}

HeadsetButtons::~HeadsetButtons() { Close(); }

UINT HeadsetButtons::NotifyMessage() {
    static const UINT message = RegisterWindowMessage(kHeadsetButtonMessageName);
    return message;
}

int HeadsetButtons::Open(HWND target, const std::string& folder) {
    Close();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        WriteLog(3, "Headset buttons: cannot read %s (%s)", folder.c_str(), std::strerror(errno));
        return 0;
    }
    while (dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, "event", 5) != 0 || m_fds.size() >= kMaxDevices)
            continue;
        const std::string path = folder + "/" + entry->d_name;
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue; // not ours to read
        if (!HasCallKey(fd)) {
            close(fd);
            continue;
        }
        WriteLog(3, "Headset buttons: %s", path.c_str());
        m_fds.push_back(fd);
    }
    closedir(dir);
    if (m_fds.empty() || !Start(target)) {
        Close();
        return 0;
    }
    return DeviceCount();
}

bool HeadsetButtons::Watch(HWND target, int fd) {
    Close();
    if (fd < 0)
        return false;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_fds.push_back(fd);
    if (!Start(target)) {
        Close();
        return false;
    }
    return true;
}

bool HeadsetButtons::Start(HWND target) {
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wake[0] = m_wake[1] = -1;
        return false;
    }
    m_target = target;
    m_partial.assign(m_fds.size(), {});
    m_reader = std::thread([this] { Run(); });
    return true;
}

void HeadsetButtons::Close() {
    if (m_reader.joinable()) {
        const char stop = 0;
        (void)!write(m_wake[1], &stop, 1);
        m_reader.join();
    }
    for (int fd : {m_wake[0], m_wake[1]}) {
        if (fd >= 0)
            close(fd);
    }
    m_wake[0] = m_wake[1] = -1;
    for (int fd : m_fds) close(fd);
    m_fds.clear();
    m_partial.clear();
    m_target = 0;
}

void HeadsetButtons::Run() {
    std::vector<bool> open(m_fds.size(), true);
    for (;;) {
        std::vector<pollfd> polled{{m_wake[0], POLLIN, 0}};
        std::vector<std::size_t> which;
        for (std::size_t i = 0; i < m_fds.size(); ++i) {
            if (!open[i])
                continue;
            polled.push_back({m_fds[i], POLLIN, 0});
            which.push_back(i);
        }
        if (which.empty())
            return; // every device went away
        if (poll(polled.data(), polled.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            WriteLog(3, "Headset buttons: poll failed (%s)", std::strerror(errno));
            return;
        }
        if (polled[0].revents != 0)
            return;
        for (std::size_t k = 0; k < which.size(); ++k) {
            if (polled[k + 1].revents != 0 && !ReadDevice(which[k])) {
                WriteLog(3, "Headset buttons: a device went away");
                open[which[k]] = false;
            }
        }
    }
}

bool HeadsetButtons::ReadDevice(std::size_t index) {
    std::vector<unsigned char>& partial = m_partial[index];
    unsigned char buffer[kReadRecords * sizeof(input_event)];
    const std::size_t carried = partial.size(); // less than one record
    if (carried != 0) std::memcpy(buffer, partial.data(), carried); // an empty vector's data() may be null
    const ssize_t got = read(m_fds[index], buffer + carried, sizeof buffer - carried);
    if (got == 0)
        return false;
    if (got < 0)
        return errno == EAGAIN || errno == EINTR;
    const std::size_t total = carried + static_cast<std::size_t>(got);
    const std::size_t whole = total - total % sizeof(input_event);
    for (std::size_t at = 0; at < whole; at += sizeof(input_event)) {
        input_event event;
        std::memcpy(&event, buffer + at, sizeof event);
        // value 1: pressed (0 released, 2 held and repeating).
        if (event.type != EV_KEY || event.value != 1)
            continue;
        if (const int button = HeadsetButtonForKey(event.code))
            PostMessage(m_target, NotifyMessage(), static_cast<WPARAM>(button), 0);
    }
    partial.assign(buffer + whole, buffer + total);
    return true;
}

} // namespace orv
