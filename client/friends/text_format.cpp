#include "client/friends/text_format.h"

namespace orv {

std::string FillText(const std::string& pattern, const std::vector<std::string>& args) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const char kind = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (c == '%' && (kind == 's' || kind == 'd')) {
            if (next < args.size()) out += args[next++];
            ++i;
        } else if (c == '%' && kind == '%') {
            out += '%';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace orv
