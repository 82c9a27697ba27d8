#include "client/text/server_text.h"

#include "client/text/text_table.h"

namespace orv {

namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string ServerTextForLanguage(std::string_view both, int language) {
    both = both.substr(0, both.find('\0'));
    const auto bar = both.find('|');
    if (bar == std::string_view::npos) {
        return std::string(TrimBlanks(both));
    }
    const std::string_view part =
        language == kLanguageChinese ? both.substr(0, bar) : both.substr(bar + 1);
    return std::string(TrimBlanks(part));
}

}  // namespace orv
