// The built-in texts themselves: both languages present, well-formed UTF-8, the same format
// placeholders in the same order, and the English wording that other parts of the client
// rely on.

#include "client/text/text_rows.h"
#include "client/text/text_table.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr int kTimeFormatNumber = 88;  // a date/time format, not a printf format

std::vector<TextRow> AllRows() {
    std::vector<TextRow> rows;
    for (const auto part : {MessageTextRows(), LabelTextRows()}) {
        rows.insert(rows.end(), part.begin(), part.end());
    }
    return rows;
}

// The conversion specifications of a format string in order ("%-5d", "%%", "%02d"); a "%"
// that does not start a valid one appears as "<bad:...>" so that it can never match.
std::vector<std::string> Placeholders(std::string_view text, std::string_view conversions) {
    std::vector<std::string> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            continue;
        }
        std::size_t j = i + 1;
        auto skip = [&](std::string_view set) {
            while (j < text.size() && set.find(text[j]) != std::string_view::npos) ++j;
        };
        skip("-+ #0");
        skip("0123456789*");
        if (j < text.size() && text[j] == '.') {
            ++j;
            skip("0123456789*");
        }
        skip("hlLqjzt");
        if (j < text.size() && conversions.find(text[j]) != std::string_view::npos) {
            found.emplace_back(text.substr(i, j - i + 1));
            i = j;
        } else {
            found.push_back("<bad:" + std::string(text.substr(i, 3)) + ">");
        }
    }
    return found;
}

std::vector<std::string> FormatPlaceholders(const TextRow& row, std::string_view text) {
    return row.number == kTimeFormatNumber ? Placeholders(text, "ymdHMS%")
                                           : Placeholders(text, "diouxXcsfeEgGp%");
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        unsigned min = 0;
        unsigned code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, code = lead & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

TEST(TextContent, PlaceholderParserSeesWhatPrintfSees) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Placeholders("a %s b %-5d %02d%% %u %x %c %ld", "diouxXcsp%"),
              (V{"%s", "%-5d", "%02d", "%%", "%u", "%x", "%c", "%ld"}));
    EXPECT_EQ(Placeholders("50%的", "ds%"), (V{"<bad:%\xE7\x9A>"}));
    EXPECT_EQ(Placeholders("end %", "ds%"), (V{"<bad:%>"}));
    EXPECT_EQ(Placeholders("%d %s", "ds%"), (V{"%d", "%s"}));
    EXPECT_NE(Placeholders("%s %d", "ds%"), Placeholders("%d %s", "ds%"));
    EXPECT_TRUE(IsValidUtf8("ORV 号码"));
    EXPECT_FALSE(IsValidUtf8("\xE5\x8F"));        // cut inside a character
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));        // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));    // surrogate
}

TEST(TextContent, EveryEntryHasEveryLanguageWithTheSamePlaceholders) {
    const auto rows = AllRows();
    ASSERT_EQ(rows.size(), 353u);
    for (const TextRow& row : rows) {
        SCOPED_TRACE("text " + std::to_string(row.number));
        ASSERT_NE(row.english, nullptr);
        ASSERT_NE(row.chinese, nullptr);
        ASSERT_NE(row.japanese, nullptr);
        EXPECT_GT(std::strlen(row.english), 0u);
        EXPECT_GT(std::strlen(row.chinese), 0u);
        EXPECT_GT(std::strlen(row.japanese), 0u);
        EXPECT_TRUE(IsValidUtf8(row.chinese));
        EXPECT_TRUE(IsValidUtf8(row.japanese));
        for (const char* c = row.english; *c; ++c) {
            EXPECT_TRUE(static_cast<unsigned char>(*c) < 0x80) << "English text is plain ASCII";
        }
        const auto english = FormatPlaceholders(row, row.english);
        EXPECT_EQ(FormatPlaceholders(row, row.chinese), english);
        EXPECT_EQ(FormatPlaceholders(row, row.japanese), english);
        for (const std::string& conversion : english) {
            EXPECT_EQ(conversion.find("<bad"), std::string::npos) << conversion;
        }
    }
}

TEST(TextContent, EveryTranslatedEntryIsWrittenInChinese) {
    // Texts that are the same in both languages: a date format, "IP", "kbps", the dashes
    // of the default group and a single blank.
    const std::vector<int> same = {88, 179, 196, 238, 273};
    for (const TextRow& row : AllRows()) {
        SCOPED_TRACE("text " + std::to_string(row.number));
        const bool expected_same =
            std::find(same.begin(), same.end(), row.number) != same.end();
        EXPECT_EQ(std::string_view(row.english) == row.chinese, expected_same);
        if (!expected_same) {
            bool has_cjk = false;
            for (const char* c = row.chinese; *c; ++c) {
                has_cjk = has_cjk || static_cast<unsigned char>(*c) >= 0xE3;
            }
            EXPECT_TRUE(has_cjk);
        }
    }
}

TEST(TextContent, EveryTranslatedEntryIsWrittenInJapanese) {
    // Texts that stay in Latin letters: the date format, "OK", "IP", "fps", "kbps", "No.",
    // the dashes of the default group and a single blank.
    const std::vector<int> latin = {88, 162, 179, 194, 196, 214, 238, 273};
    for (const TextRow& row : AllRows()) {
        SCOPED_TRACE("text " + std::to_string(row.number));
        bool japanese = false;
        for (const char* c = row.japanese; *c; ++c) japanese = japanese || static_cast<unsigned char>(*c) >= 0xE3;
        EXPECT_EQ(japanese, std::find(latin.begin(), latin.end(), row.number) == latin.end());
    }
}

TEST(TextContent, TextsNamedElsewhereInTheClientMatchWordForWord) {
    struct Named {
        int number;
        const char* english;
    };
    const Named named[] = {
        {0, "Velora Video Phone"},
        {1, "Information"},
        {4, "Logon Failed"},
        {12, "Invalid password"},
        {17, "ORV number locked (more than 30 times error password tried)"},
        {19, "is offline"},
        {22, "Do you really want to quit ORV?"},
        {30, "Calling: %s %s"},
        {80, "File damaged, re-install the software please"},
        {81, "Illegal file"},
        {82, "ORV is already running"},
        {88, "%y/%m/%d %H:%M:%S"},
        {108, "%s logged on at another place: you have been logged off"},
        {109, "Downloading file: %s"},
        {110, "Files updated, ORV will restart now"},
        {117, "Different new passwords inputed"},
        {122, "Expired ORV account"},
        {123, "Invalid binded IP address"},
        {126, "black list (more than 30 times error password tried)"},
        {131, "Forbidden call"},
        {132, "Call forwarding service have not been subscribed"},
        {137, "%d offline call"},
        {138, "%d missed call"},
        {143, "%d.%02d RMB"},
        {147, "Failed to create file \"%s\""},
        {148, "Exported to file \"%s\" successfully"},
        {149, "File operation failed: \"%s\""},
        {150, "Illegal file \"%s\""},
        {151, "File loaded successfully, please click the Commit button to import into the address "
              "book"},
        {152, "Commit failure, invalid data found"},
        {153, "Duplicated name \"%s\" found in the imported file"},
        {154, "Duplicated name \"%s\""},
        {155, "Illegal character found in number string \"%s\", line number: %d"},
        {156, "Error data format found in line %d"},
        {162, "Ok"},
        {166, "Remember password (NOT recommended on shared computer)"},
        {238, "------"},
        {245, "All"},
        {273, " "},
        {274, "Release: "},
        {284, "Playback Volume %d%%"},
        {317, "Hint: Press enabled             button to call"},
        {331, "join %s's conference"},
        {332, "The conference would be closed because of you are the chairman, still want to "
              "exit?"},
        {342, "Hint: Press enabled             button to invite"},
        {347, "No enough balance, %s %s leave the conference"},
        {351, "Security setting %s"},
    };
    TextTable table;
    table.Fill();
    table.SetLanguage(kLanguageEnglish);
    for (const Named& n : named) {
        EXPECT_EQ(table.Text(n.number), n.english) << "text " << n.number;
    }
    const std::string hint = table.Text(316);
    EXPECT_EQ(std::count(hint.begin(), hint.end(), '\n'), 2);
    EXPECT_EQ(hint.rfind("1. using your audio input device and speaking, if the record wave", 0), 0u);
    EXPECT_NE(hint.find(", your audio input device is ok.\n2. if the playback wave"), std::string::npos);
    EXPECT_NE(hint.find("device driver.\n3. using the scroll bars to adjust recording and playback "
                        "volumes."),
              std::string::npos);
    EXPECT_EQ(hint.back(), '.');
}

}  // namespace
}  // namespace orv
