// Texts that arrive in English from code that knows no other language (the libraries' message
// boxes), found again in the table and told in the current language.
#include "client/text/text_table.h"

namespace orv {

namespace {

constexpr std::string_view kPlaceholder = "%s";

// The text english fills in: pattern has one "%s", no other placeholder and some fixed text
// around it. Sets *filled to what stands where "%s" stood.
bool Fills(std::string_view pattern, std::string_view english, std::string_view* filled) {
    const std::size_t at = pattern.find(kPlaceholder);
    if (at == std::string_view::npos || pattern.find('%', at + kPlaceholder.size()) != std::string_view::npos ||
        pattern.find('%') != at || pattern.size() == kPlaceholder.size())
        return false;
    const std::string_view prefix = pattern.substr(0, at);
    const std::string_view suffix = pattern.substr(at + kPlaceholder.size());
    if (english.size() <= prefix.size() + suffix.size() || !english.starts_with(prefix) || !english.ends_with(suffix))
        return false;
    *filled = english.substr(prefix.size(), english.size() - prefix.size() - suffix.size());
    return true;
}

}  // namespace

int TextTable::NumberOfEnglish(std::string_view english) const {
    for (const auto& [number, entry] : entries_) {
        if (entry[kLanguageEnglish] == english) return number;
    }
    return -1;
}

std::string TextTable::FromEnglish(const std::string& english) const {
    if (const int number = NumberOfEnglish(english); number >= 0) return Text(number);
    for (const auto& [number, entry] : entries_) {
        std::string_view filled;
        if (!Fills(entry[kLanguageEnglish], english, &filled)) continue;
        std::string text = Text(number);
        const std::size_t at = text.find(kPlaceholder);
        if (at == std::string::npos) return english; // a translation that lost its placeholder
        return text.replace(at, kPlaceholder.size(), filled);
    }
    return english;
}

}  // namespace orv
