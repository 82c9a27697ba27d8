// Picking one language out of a "Chinese|English" text sent by a server.

#include "client/text/server_text.h"

#include "client/text/text_table.h"

#include <string>

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(ServerText, ChineseTakesTheFirstPartEveryOtherLanguageTheSecond) {
    const std::string both = "  客服热线 |  Service hot line  ";
    EXPECT_EQ(ServerTextForLanguage(both, kLanguageChinese), "客服热线");
    EXPECT_EQ(ServerTextForLanguage(both, kLanguageEnglish), "Service hot line");
    EXPECT_EQ(ServerTextForLanguage(both, kLanguageJapanese), "Service hot line");
    EXPECT_EQ(ServerTextForLanguage(both, 7), "Service hot line");
    EXPECT_EQ(ServerTextForLanguage(both, -1), "Service hot line");
    // Inner blanks stay; tabs and line ends around a part go.
    EXPECT_EQ(ServerTextForLanguage("\t中 文\r\n|\tA  B\r\n", kLanguageChinese), "中 文");
    EXPECT_EQ(ServerTextForLanguage("\t中 文\r\n|\tA  B\r\n", kLanguageEnglish), "A  B");
}

TEST(ServerText, MissingOrEmptyParts) {
    // Without a bar the whole text serves every language.
    EXPECT_EQ(ServerTextForLanguage(" Welcome ", kLanguageChinese), "Welcome");
    EXPECT_EQ(ServerTextForLanguage(" Welcome ", kLanguageEnglish), "Welcome");
    EXPECT_EQ(ServerTextForLanguage("", kLanguageEnglish), "");
    EXPECT_EQ(ServerTextForLanguage("   ", kLanguageChinese), "");
    // A bar with nothing (or only blanks) on one side leaves that language empty.
    EXPECT_EQ(ServerTextForLanguage("|English", kLanguageChinese), "");
    EXPECT_EQ(ServerTextForLanguage("|English", kLanguageEnglish), "English");
    EXPECT_EQ(ServerTextForLanguage("中文|  ", kLanguageEnglish), "");
    EXPECT_EQ(ServerTextForLanguage("中文|", kLanguageChinese), "中文");
    EXPECT_EQ(ServerTextForLanguage("|", kLanguageChinese), "");
    EXPECT_EQ(ServerTextForLanguage("|", kLanguageEnglish), "");
}

TEST(ServerText, OnlyTheFirstBarSeparatesTheLanguages) {
    EXPECT_EQ(ServerTextForLanguage("甲|A|B", kLanguageChinese), "甲");
    EXPECT_EQ(ServerTextForLanguage("甲|A|B", kLanguageEnglish), "A|B");
    EXPECT_EQ(ServerTextForLanguage("甲 | A | B | C ", kLanguageJapanese), "A | B | C");
    EXPECT_EQ(ServerTextForLanguage("||", kLanguageEnglish), "|");
}

TEST(ServerText, TextEndsAtTheFirstNul) {
    // A fixed-size field: what follows the terminating NUL is not text.
    const std::string field("中文|Eng\0lish|junk", 20);
    EXPECT_EQ(ServerTextForLanguage(field, kLanguageEnglish), "Eng");
    const std::string no_bar_before_nul("Hello\0中|E", 11);
    EXPECT_EQ(ServerTextForLanguage(no_bar_before_nul, kLanguageChinese), "Hello");
    EXPECT_EQ(ServerTextForLanguage(std::string(64, '\0'), kLanguageEnglish), "");
}

}  // namespace
}  // namespace orv
