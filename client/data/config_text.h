// Small text helpers of the configuration code.
#pragma once

#include <cctype>
#include <string>
#include <vector>

namespace orv {

inline std::string UpperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// "a,b,,c" gives "a", "b", "", "c"; "" gives one empty field.
inline std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

} // namespace orv
