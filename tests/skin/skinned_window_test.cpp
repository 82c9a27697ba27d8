// Skinned windows built from small hand-made skins: faces, looks, clicks by name, the
// shape from the mask, sliders, and the plain fallback without a skin.
#include "client/skin/skin_mask.h"
#include "client/skin/skin_picture.h"
#include "client/skin/skinned_window.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

namespace orv {
namespace {

// Regions compare by the pixels they cover, not by how their rectangles are split.
bool SameArea(const QRegion& a, const QRegion& b) { return a.xored(b).isEmpty(); }

const QColor kLookColours[4] = {Qt::red, Qt::green, Qt::blue, Qt::gray};

// A 100 x 80 skin whose four looks are plain colours, with one call button and one slider.
class SkinFolder {
public:
    explicit SkinFolder(const std::string& controls) {
        const char* names[4] = {"main.bmp", "over.bmp", "down.bmp", "disabled.bmp"};
        for (int i = 0; i < 4; ++i) Picture(names[i], 100, 80, kLookColours[i]);
        QImage mask(100, 80, QImage::Format_RGB32);
        mask.fill(Qt::white);
        mask.save(dir_.path() + "/mask.bmp", "BMP");
        Picture("track.bmp", 80, 4, Qt::darkGray);
        Picture("thumb.bmp", 10, 10, Qt::yellow);
        std::ofstream(File()) << "[Screen]\nMain=main.bmp\nMask=mask.bmp\nOver=over.bmp\n"
                                 "Down=down.bmp\nDisabled=disabled.bmp\n" << controls;
    }
    void Picture(const QString& name, int w, int h, const QColor& colour) const {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        image.save(dir_.path() + "/" + name, "BMP");
    }
    std::string File() const { return dir_.path().toStdString() + "/mainbody.ini"; }
    QString Path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

QColor FacePixel(SkinButton* button) {
    return button->grab().toImage().pixelColor(button->width() / 2, button->height() / 2);
}

TEST(SkinnedWindow, CallButtonFromTheDescription) {
    SkinFolder skin("[BUTTONINFO]\n1=BUTTON_CALL, 10, 20, 40, 30, Call, T\n"
                    "2=BUTTON_FAR, 90, 70, 40, 30, Far, F\n");
    SkinnedWindow window;
    ASSERT_TRUE(window.LoadSkin(skin.File()));
    EXPECT_TRUE(window.IsSkinned());
    EXPECT_EQ(window.size(), QSize(100, 80));
    SkinButton* call = window.Button("BUTTON_CALL");
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->geometry(), QRect(QPoint(10, 20), QPoint(49, 49))); // x 10..50, y 20..50
    EXPECT_EQ(call->toolTip(), "Call");
    EXPECT_TRUE(call->Flag());
    EXPECT_EQ(call->Index(), 0);
    EXPECT_TRUE(call->HasFaces());
    EXPECT_EQ(FacePixel(call), kLookColours[0]);
    call->setEnabled(false);
    EXPECT_EQ(FacePixel(call), kLookColours[3]);

    // A rectangle reaching outside the pictures gets no faces, but the button still exists.
    SkinButton* far = window.Button("BUTTON_FAR");
    ASSERT_NE(far, nullptr);
    EXPECT_FALSE(far->HasFaces());
    EXPECT_FALSE(far->Flag());
    EXPECT_EQ(far->Index(), 1);
}

TEST(SkinnedWindow, LoadingAgainReplacesTheControls) {
    SkinFolder skin("[BUTTONINFO]\n1=BUTTON_CALL, 10, 20, 40, 30, Call, T\n");
    SkinnedWindow window;
    ASSERT_TRUE(window.LoadSkin(skin.File()));
    ASSERT_TRUE(window.LoadSkin(skin.File()));
    EXPECT_EQ(window.findChildren<SkinButton*>().size(), 1);
}

TEST(SkinnedWindow, ClickIsReportedByNameOnlyWhenReleasedInside) {
    SkinFolder skin("[BUTTONINFO]\n1=BUTTON_CALL, 10, 20, 40, 30, Call, T\n");
    SkinnedWindow window;
    ASSERT_TRUE(window.LoadSkin(skin.File()));
    window.show();
    std::vector<QString> clicks;
    window.SetButtonHandler([&](const QString& name) { clicks.push_back(name); });
    SkinButton* call = window.Button("BUTTON_CALL");
    ASSERT_NE(call, nullptr);

    QTest::mousePress(call, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(call->CurrentLook(), SkinLook::Down);
    EXPECT_EQ(FacePixel(call), kLookColours[2]);
    QTest::mouseRelease(call, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(call->CurrentLook(), SkinLook::Over);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0], "BUTTON_CALL");

    QTest::mousePress(call, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(call, Qt::LeftButton, {}, QPoint(60, 5));
    EXPECT_EQ(clicks.size(), 1u);
    EXPECT_EQ(call->CurrentLook(), SkinLook::Normal);

    call->setEnabled(false);
    QTest::mouseClick(call, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.size(), 1u);
}

TEST(SkinnedWindow, SlidersTextsAndProgressBars) {
    SkinFolder skin("[TRACKBARINFO]\n1=TRACKBAR_PLAY, track.bmp, thumb.bmp, 0, 60, 90, 12, 0, 100, H, 0\n"
                    "2=TRACKBAR_V, track.bmp, nothere.bmp, 90, 0, 10, 50, 0, 100, V, 0\n"
                    "[TEXTINFO]\n1=TEXT_A, DejaVu Sans, T, N, 12, 255, 0, 0, 50, 15, hi, 0\n"
                    "[PROGRESSINFO]\n1=PROGRESS_A, p.bmp, 0, 40, 50, 10, H\n");
    SkinnedWindow window;
    ASSERT_TRUE(window.LoadSkin(skin.File()));
    window.show();
    std::vector<std::pair<QString, int>> moves;
    window.SetSliderHandler([&](const QString& name, int value) { moves.emplace_back(name, value); });

    SkinSlider* play = window.Slider("TRACKBAR_PLAY");
    ASSERT_NE(play, nullptr);
    EXPECT_TRUE(play->HasThumb());
    QTest::mouseClick(play, Qt::LeftButton, {}, QPoint(89, 6));
    QTest::mouseClick(play, Qt::LeftButton, {}, QPoint(0, 6));
    QTest::mouseClick(play, Qt::LeftButton, {}, QPoint(45, 6)); // thumb centre at mid travel
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(moves[0], std::make_pair(QString("TRACKBAR_PLAY"), 100));
    EXPECT_EQ(moves[1].second, 0);
    EXPECT_EQ(moves[2].second, 50);
    play->SetValue(250); // set by the owner: clamped, not reported
    EXPECT_EQ(play->Value(), 100);
    EXPECT_EQ(moves.size(), 3u);

    SkinSlider* vertical = window.Slider("TRACKBAR_V");
    ASSERT_NE(vertical, nullptr);
    EXPECT_FALSE(vertical->HasThumb()); // missing picture: still a working slider
    QTest::mouseClick(vertical, Qt::LeftButton, {}, QPoint(5, 0));
    EXPECT_EQ(vertical->Value(), 100); // top is the maximum

    SkinText* text = window.Text("TEXT_A");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Text(), "hi");
    EXPECT_EQ(text->Colour(), QColor(255, 0, 0)); // red in the low byte
    EXPECT_EQ(text->font().pixelSize(), 12);
    EXPECT_EQ(text->font().weight(), QFont::Bold);

    SkinProgress* progress = window.Progress("PROGRESS_A");
    ASSERT_NE(progress, nullptr);
    progress->SetValue(50);
    const QImage drawn = progress->grab().toImage();
    EXPECT_EQ(drawn.pixelColor(10, 5), kLookColours[2]); // filled part from Down
    EXPECT_EQ(drawn.pixelColor(40, 5), kLookColours[0]); // the rest from Main
}

TEST(SkinMask, BlackBorderAndNearBlackPixelAreOutside) {
    QImage mask(20, 10, QImage::Format_RGB32);
    mask.fill(Qt::black);
    for (int y = 1; y < 9; ++y) {
        for (int x = 1; x < 19; ++x) mask.setPixelColor(x, y, Qt::white);
    }
    mask.setPixelColor(5, 5, QColor(0x10, 0x10, 0x10)); // near-black: outside
    mask.setPixelColor(6, 5, QColor(0x10, 0x11, 0x10)); // one channel above the range: inside
    mask.setPixelColor(0, 0, QColor(0x30, 0x30, 0x30)); // a corner pixel that is not black

    QRegion expected = QRegion(1, 1, 18, 8) - QRegion(5, 5, 1, 1);
    expected += QRegion(0, 0, 1, 1);
    EXPECT_TRUE(SameArea(RegionFromMask(mask), expected));
    EXPECT_TRUE(RegionFromMask(QImage()).isEmpty());
}

TEST(SkinMask, LargeMaskJoinsEveryBatch) {
    // A checkerboard gives far more than one batch of runs.
    QImage mask(200, 100, QImage::Format_RGB32);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) mask.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::black);
    }
    const QRegion shape = RegionFromMask(mask);
    EXPECT_EQ(shape.rectCount(), 100 * 100);
    EXPECT_TRUE(shape.contains(QPoint(199, 0)));
    EXPECT_FALSE(shape.contains(QPoint(198, 0)));
    EXPECT_TRUE(shape.contains(QPoint(0, 99)));
}

TEST(SkinnedWindow, WindowTakesItsShapeFromTheMask) {
    SkinFolder skin("");
    QImage mask(100, 80, QImage::Format_RGB32);
    mask.fill(Qt::white);
    for (int x = 0; x < 100; ++x) mask.setPixelColor(x, 0, Qt::black);
    mask.save(skin.Path() + "/mask.bmp", "BMP");
    SkinnedWindow window;
    ASSERT_TRUE(window.LoadSkin(skin.File()));
    EXPECT_TRUE(SameArea(window.mask(), QRegion(0, 1, 100, 79)));
}

TEST(SkinnedWindow, MissingSkinLeavesAPlainWorkingWindow) {
    QTemporaryDir dir;
    SkinnedWindow window;
    window.resize(200, 100);
    EXPECT_FALSE(window.LoadSkin(dir.path().toStdString() + "/mainbody.ini"));
    EXPECT_FALSE(window.IsSkinned());
    EXPECT_EQ(window.size(), QSize(200, 100));
    EXPECT_TRUE(window.mask().isEmpty());
    window.UsePlainControls({{PlainControl::Button, "BUTTON_CALL", "Call"},
                             {PlainControl::Slider, "TRACKBAR_PLAY", "Playback"}});
    window.show();
    std::vector<QString> clicks;
    window.SetButtonHandler([&](const QString& name) { clicks.push_back(name); });
    auto* call = qobject_cast<QPushButton*>(window.Control("BUTTON_CALL"));
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(window.Button("BUTTON_CALL"), nullptr);
    call->click();
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0], "BUTTON_CALL");
    EXPECT_NE(window.Control("TRACKBAR_PLAY"), nullptr);
}

TEST(SkinnedWindow, MissingPicturesLeaveControlsWithoutFaces) {
    SkinFolder skin("[BUTTONINFO]\n1=BUTTON_CALL, 10, 20, 40, 30, Call, T\n");
    QFile::remove(skin.Path() + "/main.bmp");
    QFile::remove(skin.Path() + "/mask.bmp");
    SkinnedWindow window;
    ASSERT_TRUE(window.LoadSkin(skin.File()));
    ASSERT_NE(window.Button("BUTTON_CALL"), nullptr);
    EXPECT_FALSE(window.Button("BUTTON_CALL")->HasFaces());
    EXPECT_TRUE(window.mask().isEmpty());
    window.show();
    window.grab(); // draws without pictures
}

TEST(SkinPicture, OversizedOrDamagedBitmapIsRefusedBeforeDecoding) {
    QTemporaryDir dir;
    // A bitmap header claiming 100000 x 100000 pixels in a file of 70 bytes.
    unsigned char bmp[70] = {'B', 'M'};
    const auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(2, sizeof bmp);
    put32(10, 54);
    put32(14, 40);
    put32(18, 100000);
    put32(22, 100000);
    bmp[26] = 1;
    bmp[28] = 24;
    const std::string huge = dir.path().toStdString() + "/huge.bmp";
    std::ofstream(huge, std::ios::binary).write(reinterpret_cast<char*>(bmp), sizeof bmp);
    EXPECT_TRUE(LoadSkinPicture(huge).isNull());

    // A believable size with its pixels cut short.
    put32(18, 64);
    put32(22, 64);
    const std::string cut = dir.path().toStdString() + "/cut.bmp";
    std::ofstream(cut, std::ios::binary).write(reinterpret_cast<char*>(bmp), sizeof bmp);
    const QImage image = LoadSkinPicture(cut);
    EXPECT_TRUE(image.isNull() || image.size() == QSize(64, 64));
    EXPECT_TRUE(LoadSkinPicture(dir.path().toStdString() + "/none.bmp").isNull());

    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::red);
    EXPECT_FALSE(CutSkinFace(picture, SkinRect{0, 0, 20, 10}).isNull());
    EXPECT_TRUE(CutSkinFace(picture, SkinRect{1, 0, 20, 10}).isNull());
    EXPECT_TRUE(CutSkinFace(picture, SkinRect{0, 0, 0, 10}).isNull());
}

} // namespace
} // namespace orv
