#include "client/friends/number_match.h"

namespace orv {

namespace {

std::string Digits(std::string_view text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9') digits.push_back(c);
    return digits;
}

} // namespace

std::string_view DialledNumberPart(std::string_view dialled) {
    return dialled.substr(0, dialled.find('*'));
}

std::string_view DialledExtension(std::string_view dialled) {
    const std::size_t star = dialled.find('*');
    return star == std::string_view::npos ? std::string_view() : dialled.substr(star + 1);
}

bool SameTelephoneNumber(std::string_view a, std::string_view b) {
    const std::string digitsA = Digits(DialledNumberPart(a));
    return !digitsA.empty() && digitsA == Digits(DialledNumberPart(b));
}

} // namespace orv
