#include "client/text/text_table.h"

#include "client/text/text_rows.h"

namespace orv {

namespace {

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

}  // namespace

void TextTable::Fill() {
    for (const auto rows : {MessageTextRows(), LabelTextRows(), MainWindowTextRows()}) {
        for (const TextRow& row : rows) {
            Insert(row.number, row.chinese, row.english, row.japanese);
        }
    }
}

void TextTable::Insert(int number, std::string_view chinese, std::string_view english, std::string_view japanese) {
    Entry& entry = entries_[number];
    entry[kLanguageChinese] = chinese;
    entry[kLanguageEnglish] = english;
    entry[kLanguageJapanese] = japanese;
}

const std::string& TextTable::Text(int number) const {
    const int language = Language();
    if (language < 0 || language >= kLanguageCount) {
        return EmptyText();
    }
    const auto found = entries_.find(number);
    if (found == entries_.end()) {
        return EmptyText();
    }
    const std::string& text = found->second[static_cast<std::size_t>(language)];
    return text.empty() ? found->second[kLanguageEnglish] : text;
}

void TextTable::Empty() {
    entries_.clear();
}

}  // namespace orv
