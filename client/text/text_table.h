#pragma once

// Every user-visible text of the client by number, in Chinese, English and Japanese.
// Windows and messages ask for a text by number and get it in the current language, so a
// language change needs no change in the code that shows texts.

#include "client/text/language.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace orv {

class TextTable {
public:
    // Inserts every built-in text. Entries that already exist get the new texts.
    void Fill();

    // Inserts one entry, or replaces the texts of an existing one. A text left empty is
    // shown in English.
    void Insert(int number, std::string_view chinese, std::string_view english, std::string_view japanese = {});

    // The text of `number` in the current language, or in English where that language has
    // none; the empty text for an unknown number and for a language outside the table. The
    // reference stays valid until Empty() or until the entry is replaced.
    const std::string& Text(int number) const;

    // The number of the entry whose English is exactly the text; -1 when there is none.
    int NumberOfEnglish(std::string_view english) const;
    // A text written in English, in the current language: the entry whose English it is, or
    // whose English has one "%s" and the text fills it in (what filled it stays as it is).
    // The text unchanged when no entry fits.
    std::string FromEnglish(const std::string& english) const;

    // Frees all entries.
    void Empty();

    // The current language (kLanguageChinese .. kLanguageJapanese), set by whoever owns the
    // configuration. A value outside that range gives the empty text for every number.
    void SetLanguage(int language) { language_.store(language, std::memory_order_relaxed); }
    int Language() const { return language_.load(std::memory_order_relaxed); }

    std::size_t Size() const { return entries_.size(); }

private:
    using Entry = std::array<std::string, kLanguageCount>;  // indexed by language

    // Filled once at start-up and emptied at exit; lookups from any thread in between.
    std::map<int, Entry> entries_;
    std::atomic<int> language_{kLanguageEnglish};
};

}  // namespace orv
