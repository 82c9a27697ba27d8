// Lookup rules of the text table: numbers, languages, refilling and emptying.

#include "client/text/text_rows.h"
#include "client/text/text_table.h"

#include <climits>
#include <set>

#include <gtest/gtest.h>

namespace orv {
namespace {

class FilledTable : public ::testing::Test {
protected:
    void SetUp() override { table.Fill(); }
    TextTable table;
};

TEST_F(FilledTable, NumbersOutsideTheTableGiveTheEmptyText) {
    for (int language : {kLanguageChinese, kLanguageEnglish}) {
        table.SetLanguage(language);
        for (int number : {358, 359, 1000, INT_MAX, -1, -358, INT_MIN, 74, 76, 77, 78, 79}) {
            EXPECT_EQ(table.Text(number), "") << "language " << language << " number " << number;
        }
        EXPECT_NE(table.Text(0), "");
        EXPECT_NE(table.Text(357), "");
        EXPECT_NE(table.Text(75), "");
        EXPECT_NE(table.Text(80), "");
    }
}

TEST_F(FilledTable, HoldsExactlyTheUsedNumbers) {
    std::set<int> used;
    for (const auto rows : {MessageTextRows(), LabelTextRows(), MainWindowTextRows()}) {
        for (const TextRow& row : rows) used.insert(row.number);
    }
    EXPECT_GE(used.size(), 358u); // the numbered texts 0..357 at least
    EXPECT_EQ(table.Size(), used.size());
    table.Fill();  // a second fill replaces, it does not add
    EXPECT_EQ(table.Size(), used.size());
}

TEST_F(FilledTable, LanguageSwitchChangesEveryTextWithoutRefilling) {
    table.SetLanguage(kLanguageEnglish);
    EXPECT_EQ(table.Text(82), "ORV is already running");
    EXPECT_EQ(table.Text(357), "Hint: * for Extension Number         (like 12345678*1234");
    table.SetLanguage(kLanguageChinese);
    EXPECT_EQ(table.Text(82), "ORV 已经在运行");
    EXPECT_EQ(table.Text(162), "确定");
    table.SetLanguage(kLanguageEnglish);
    EXPECT_EQ(table.Text(162), "Ok");

    // Every entry with letters in its English text reads differently in Chinese.
    int differing = 0;
    for (int number = 0; number < 358; ++number) {
        table.SetLanguage(kLanguageEnglish);
        const std::string english = table.Text(number);
        table.SetLanguage(kLanguageChinese);
        if (table.Text(number) != english) {
            ++differing;
        }
    }
    // Only the date format, "IP", "kbps", the dashes and the single blank read the same.
    EXPECT_EQ(differing, 353 - 5);
}

TEST_F(FilledTable, UnknownLanguagesGiveTheEmptyTextAndJapaneseHasEveryText) {
    for (int language : {3, -1, INT_MAX}) {
        table.SetLanguage(language);
        for (int number = -1; number <= 358; ++number) {
            ASSERT_EQ(table.Text(number), "") << "language " << language << " number " << number;
        }
    }
    table.SetLanguage(kLanguageJapanese);
    for (int number = 0; number <= 357; ++number) {
        table.SetLanguage(kLanguageEnglish);
        const bool known = !table.Text(number).empty();
        table.SetLanguage(kLanguageJapanese);
        EXPECT_EQ(!table.Text(number).empty(), known) << number;
    }
    EXPECT_EQ(table.Text(175), "設定");
}

TEST(TextTable, InsertReplacesTheTextsOfAnExistingNumber) {
    TextTable table;
    table.Fill();
    const std::size_t filled = table.Size();
    const std::string* before = &table.Text(1);
    table.Insert(1, "通知", "Notice");
    table.Insert(400, "新", "New");
    table.SetLanguage(kLanguageEnglish);
    EXPECT_EQ(table.Text(1), "Notice");
    EXPECT_EQ(&table.Text(1), before);  // the entry stays where it was
    EXPECT_EQ(table.Text(400), "New");
    EXPECT_EQ(table.Text(2), "ORV is already running");
    table.SetLanguage(kLanguageChinese);
    EXPECT_EQ(table.Text(1), "通知");
    table.SetLanguage(kLanguageJapanese);
    EXPECT_EQ(table.Text(400), "New") << "a text missing in a language is shown in English";
    EXPECT_EQ(table.Size(), filled + 1) << "only the new number adds an entry";
}

TEST(TextTable, EmptyFreesEverythingAndAFillRestores) {
    TextTable table;
    table.SetLanguage(kLanguageEnglish);
    EXPECT_EQ(table.Text(0), "");  // never filled
    table.Fill();
    EXPECT_EQ(table.Text(0), "Velora Video Phone");
    table.Empty();
    EXPECT_EQ(table.Size(), 0u);
    EXPECT_EQ(table.Text(0), "");
    table.Fill();
    EXPECT_EQ(table.Text(0), "Velora Video Phone");
}

}  // namespace
}  // namespace orv
