#include "wire/text_field.h"

#include <algorithm>
#include <cstring>

namespace orv {

void PutTextField(std::uint8_t* field, std::size_t fieldSize, std::string_view text) {
    if (fieldSize == 0) return;
    std::memset(field, 0, fieldSize);
    if (!text.empty()) std::memcpy(field, text.data(), std::min(text.size(), fieldSize - 1));
}

void PutTextField(std::uint8_t* field, std::size_t fieldSize, const char* text) {
    if (fieldSize == 0) return;
    PutTextField(field, fieldSize, text == nullptr ? std::string_view() : std::string_view(text, strnlen(text, fieldSize - 1)));
}

std::string GetTextField(const std::uint8_t* field, std::size_t fieldSize) {
    if (fieldSize == 0) return {};
    const void* end = std::memchr(field, 0, fieldSize - 1);
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - field) : fieldSize - 1;
    return std::string(reinterpret_cast<const char*>(field), length);
}

} // namespace orv
