#pragma once

// Texts sent by the servers (support entries, the server information line) carry both
// languages in one string: the Chinese text, a vertical bar, the English text.

#include <string>
#include <string_view>

namespace orv {

// The part of `both` for `language`: the part before the first "|" for Chinese, the part
// after it for every other language, with surrounding blanks removed. Further bars belong
// to the English part. A text without a bar is taken whole for every language. The text
// ends at the first NUL, as it does in a fixed-size field.
std::string ServerTextForLanguage(std::string_view both, int language);

}  // namespace orv
