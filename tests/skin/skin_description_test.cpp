// Reading the window skin description: token rules, the four control sections, key order,
// and what a hostile description cannot do.
#include "client/skin/skin_description.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace orv {
namespace {

std::string WriteIni(const QTemporaryDir& dir, const std::string& text) {
    const std::string path = dir.path().toStdString() + "/mainbody.ini";
    std::ofstream(path) << text;
    return path;
}

TEST(SkinDescription, TokensAreTrimmedAndMissingOnesEmpty) {
    EXPECT_EQ(SplitSkinTokens(" a ,b,, c d \t"), (std::vector<std::string>{"a", "b", "", "c d"}));
    EXPECT_EQ(SplitSkinTokens(""), std::vector<std::string>{""});
    EXPECT_EQ(SkinTokenInt("42px"), 42);
    EXPECT_EQ(SkinTokenInt("-7"), -7);
    EXPECT_EQ(SkinTokenInt("x1"), 0);
    EXPECT_EQ(SkinTokenInt("99999999999999"), INT_MAX);
}

TEST(SkinDescription, ButtonLineOfTheCallButton) {
    QTemporaryDir dir;
    const std::string ini = WriteIni(dir,
        "[Screen]\nMain = main.bmp\nMask=mask.bmp\n"
        "[BUTTONINFO]\n1= BUTTON_CALL , 10, 20, 40, 30, Call, T\n2=BUTTON_MIN,1,2\n");
    WindowSkinDescription d;
    ASSERT_TRUE(ReadWindowSkinDescription(ini, &d));
    EXPECT_EQ(d.folder, dir.path().toStdString());
    EXPECT_EQ(d.main, "main.bmp");
    EXPECT_EQ(d.over, "");
    ASSERT_EQ(d.buttons.size(), 2u);
    const SkinButtonInfo& call = d.buttons[0];
    EXPECT_EQ(call.index, 0);
    EXPECT_EQ(call.name, "BUTTON_CALL");
    EXPECT_EQ(call.rect.x, 10);
    EXPECT_EQ(call.rect.y, 20);
    EXPECT_EQ(call.rect.x + call.rect.width, 50);
    EXPECT_EQ(call.rect.y + call.rect.height, 50);
    EXPECT_EQ(call.tooltip, "Call");
    EXPECT_TRUE(call.FlagSet());
    // A short line: the rest are empty strings and zeros, the flag is not set.
    const SkinButtonInfo& min = d.buttons[1];
    EXPECT_EQ(min.index, 1);
    EXPECT_EQ(min.rect.x, 1);
    EXPECT_EQ(min.rect.width, 0);
    EXPECT_TRUE(min.tooltip.empty());
    EXPECT_FALSE(min.FlagSet());
}

TEST(SkinDescription, TextTrackbarAndProgressLines) {
    QTemporaryDir dir;
    const std::string ini = WriteIni(dir,
        "[TEXTINFO]\n1=TEXT_A, DejaVu Sans, T, F, 14, 255, 5, 6, 70, 20, hello, x\n"
        "2=TEXT_B, Sans, F, N, 11, 16711680, 0, 0, 10, 10\n"
        "[TRACKBARINFO]\n1=TRACKBAR_PLAY, t.bmp, th.bmp, 1, 2, 100, 20, 0, 100, H, 0\n"
        "2=TRACKBAR_V, t.bmp, th.bmp, 1, 2, 20, 100, 0, 100, V\n"
        "[PROGRESSINFO]\n1=PROGRESS_A, p.bmp, 3, 4, 50, 8, H\n");
    WindowSkinDescription d;
    ASSERT_TRUE(ReadWindowSkinDescription(ini, &d));
    ASSERT_EQ(d.texts.size(), 2u);
    EXPECT_EQ(d.texts[0].fontFace, "DejaVu Sans");
    EXPECT_TRUE(d.texts[0].bold);
    EXPECT_TRUE(d.texts[0].styleFlag);
    EXPECT_EQ(d.texts[0].size, 14);
    EXPECT_EQ(d.texts[0].colour, 255u);
    EXPECT_EQ(d.texts[0].rect.width, 70);
    EXPECT_EQ(d.texts[0].initialText, "hello");
    EXPECT_EQ(d.texts[0].extra, "x");
    EXPECT_FALSE(d.texts[1].bold);
    EXPECT_FALSE(d.texts[1].styleFlag);
    EXPECT_EQ(d.texts[1].initialText, "");
    ASSERT_EQ(d.trackbars.size(), 2u);
    EXPECT_EQ(d.trackbars[0].track, "t.bmp");
    EXPECT_EQ(d.trackbars[0].thumb, "th.bmp");
    EXPECT_EQ(d.trackbars[0].rect.height, 20);
    EXPECT_TRUE(d.trackbars[0].horizontal);
    EXPECT_FALSE(d.trackbars[1].horizontal);
    ASSERT_EQ(d.progressBars.size(), 1u);
    EXPECT_EQ(d.progressBars[0].rect.y, 4);
    EXPECT_TRUE(d.progressBars[0].horizontal);
}

TEST(SkinDescription, KeysAreReadByNumberNotFileOrder) {
    QTemporaryDir dir;
    // Three keys: "1", "2" and a stray one; key "3" does not exist, "2" is empty.
    const std::string ini = WriteIni(dir,
        "[BUTTONINFO]\nextra=BUTTON_X,0,0,1,1\n2=\n1=BUTTON_A,0,0,1,1\n");
    WindowSkinDescription d;
    ASSERT_TRUE(ReadWindowSkinDescription(ini, &d));
    ASSERT_EQ(d.buttons.size(), 1u);
    EXPECT_EQ(d.buttons[0].name, "BUTTON_A");
}

TEST(SkinDescription, HostileValuesStayHarmless) {
    QTemporaryDir dir;
    const std::string ini = WriteIni(dir,
        "[BUTTONINFO]\n1=BUTTON_A,-5,0,10,10\n2=BUTTON_B,0,0,99999999,10\n");
    WindowSkinDescription d;
    ASSERT_TRUE(ReadWindowSkinDescription(ini, &d));
    ASSERT_EQ(d.buttons.size(), 2u);
    EXPECT_TRUE(d.buttons[0].rect.Empty());
    EXPECT_TRUE(d.buttons[1].rect.Empty());
    EXPECT_EQ(SkinPicturePath("/skin", "../secret.bmp"), "");
    EXPECT_EQ(SkinPicturePath("/skin", "a/b.bmp"), "");
    EXPECT_EQ(SkinPicturePath("/skin", ""), "");
    EXPECT_EQ(SkinPicturePath("/skin", "Main.bmp"), "/skin/Main.bmp");
}

TEST(SkinDescription, MissingFileIsNoSkin) {
    QTemporaryDir dir;
    WindowSkinDescription d;
    EXPECT_FALSE(ReadWindowSkinDescription(dir.path().toStdString() + "/mainbody.ini", &d));
    EXPECT_FALSE(ReadWindowSkinDescription(dir.path().toStdString(), &d));
}

} // namespace
} // namespace orv
