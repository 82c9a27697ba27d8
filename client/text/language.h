// Language indices, as the configuration stores them and the text table uses them.
#pragma once

namespace orv {

constexpr int kLanguageChinese = 0;
constexpr int kLanguageEnglish = 1;
constexpr int kLanguageJapanese = 2;
constexpr int kLanguageCount = 3;

} // namespace orv
