#include "platform/message_box.h"

#include <cstdio>
#include <mutex>

namespace orv {
namespace {

std::mutex& HandlerLock() {
    static std::mutex lock;
    return lock;
}

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerLock());
    Handler() = std::move(handler);
}

void ShowMessageBox(const std::string& title, const std::string& text) {
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerLock());
        handler = Handler();
    }
    if (handler)
        handler(title, text);
    else
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

} // namespace orv
