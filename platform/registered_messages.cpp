// Registered window messages: one id per name for the whole process, from 0xC000 up.
// Names compare without regard to case, as on the original platform.
#include "platform/message.h"

#include <cctype>
#include <mutex>
#include <string>
#include <unordered_map>

namespace orv {

UINT RegisterWindowMessage(const char* name) {
    if (!name || !*name)
        return 0;
    std::string key(name);
    for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    static std::mutex* mutex = new std::mutex;
    static auto* ids = new std::unordered_map<std::string, UINT>;
    std::lock_guard<std::mutex> lock(*mutex);
    const auto it = ids->find(key);
    if (it != ids->end())
        return it->second;
    const UINT id = WM_FIRST_REGISTERED + static_cast<UINT>(ids->size());
    if (id > 0xFFFF)
        return 0; // the range is used up
    ids->emplace(std::move(key), id);
    return id;
}

} // namespace orv
