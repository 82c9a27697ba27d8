#include "cli/event_line.h"

#include <cstdio>

namespace orv {

std::string QuoteValue(const std::string& value) {
    bool bare = !value.empty();
    for (unsigned char c : value)
        if (c <= ' ' || c == '"' || c == '\\' || c == '=' || c == 0x7F) bare = false;
    if (bare) return value;
    std::string out = "\"";
    for (unsigned char c : value) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < ' ' || c == 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof(hex), "\\x%02x", c);
                out += hex;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string FormatEventLine(const CoreEvent& event) {
    std::string line = "EVENT " + event.name;
    for (const auto& [key, value] : event.fields) line += " " + key + "=" + QuoteValue(value);
    if (!event.text.empty()) line += " text=" + QuoteValue(event.text);
    return line;
}

std::string FormatTextLine(const CoreEvent& event) {
    if (event.text.empty()) return "";
    std::string text = event.text;
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return "TEXT " + (event.title.empty() ? text : event.title + ": " + text);
}

} // namespace orv
