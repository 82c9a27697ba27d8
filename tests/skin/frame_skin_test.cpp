// Frame skins: the description keys, the three-part drawing with its one-pixel middle, the
// corner shape from near-black mask pixels, and refusal when a picture is missing.
#include "client/skin/frame_skin.h"

#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>

namespace orv {
namespace {

const QColor kGreen(0, 200, 0), kRed(220, 0, 0), kBlue(0, 0, 220), kGrey(90, 90, 90);

// 40 x 8: columns 0..19 green, 20 red, 21..39 blue on the upper (active) half; grey below.
QImage TopPicture() {
    QImage image(40, 8, QImage::Format_RGB32);
    image.fill(kGrey);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 40; ++x) image.setPixelColor(x, y, x < 20 ? kGreen : x == 20 ? kRed : kBlue);
    }
    return image;
}

// White (inside) but for three pixels of the first row and one of row 10.
QImage Mask() {
    QImage image(6, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixelColor(0, 0, Qt::black);
    image.setPixelColor(1, 0, QColor(0x10, 0x10, 0x10)); // near-black: outside too
    image.setPixelColor(2, 0, QColor(0x11, 0x10, 0x10)); // just above the range: inside
    image.setPixelColor(0, 10, Qt::black);               // first row of the bottom corner
    return image;
}

class FrameFolder {
public:
    explicit FrameFolder(bool withMasks) {
        TopPicture().save(Path("Top.bmp"));
        QImage side(8, 40, QImage::Format_RGB32);
        side.fill(kGrey);
        side.save(Path("Left.bmp"));
        side.save(Path("Right.bmp"));
        QImage bottom(40, 8, QImage::Format_RGB32);
        bottom.fill(kGrey);
        bottom.save(Path("Bottom.bmp"));
        if (withMasks) {
            Mask().save(Path("LeftMask.bmp"));
            Mask().mirrored(true, false).save(Path("RightMask.bmp"));
        }
        QImage(60, 20, QImage::Format_RGB32).save(Path("close.bmp"));
        std::ofstream(file_) << "[Personality]\nTop=Top.bmp\nLeft=Left.bmp\nRight=Right.bmp\nBottom=Bottom.bmp\n"
                                "TopTopHeight=20\nTopBotHeight=20\nLeftTopHeight=10\nLeftBotHeight=10\n"
                                "RightTopHeight=10\nRightBotHeight=10\nButtonCount=1\nTextShift=12\n"
                                "LeftMask=LeftMask.bmp\nRightMask=RightMask.bmp\n"
                                "[Button0]\nname=close\nXCoord=30\nYCoord=2\nButtonImage=close.bmp\nAlign=RIGHT\n";
    }
    const std::string& File() const { return file_; }

private:
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir_;
    std::string file_ = dir_.filePath("videoWin.ini").toStdString();
};

TEST(FrameSkin, StretchesAOnePixelMiddleAndCutsNearBlackCorners) {
    FrameFolder folder(true);
    FrameSkin skin;
    ASSERT_TRUE(LoadFrameSkin(folder.File(), skin));
    EXPECT_EQ(skin.TopThickness(), 4);
    EXPECT_EQ(skin.LeftThickness(), 4);
    EXPECT_EQ(skin.lookCount, 3);   // default
    EXPECT_EQ(skin.frameWidth, 5);  // default
    EXPECT_EQ(skin.textShift, QPoint(12, 0));
    ASSERT_EQ(skin.buttons.size(), 1u);
    EXPECT_EQ(skin.buttons[0].name, QStringLiteral("CLOSE"));
    EXPECT_FALSE(skin.buttons[0].looks.isNull());
    EXPECT_EQ(FrameButtonPosition(skin.buttons[0], 200), QPoint(170, 2));

    // 20 + 20 fixed on a 40-pixel Top: the middle is column 20 alone, stretched over 160.
    QImage drawn(200, 100, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
        QPainter painter(&drawn);
        PaintFrame(painter, skin, drawn.size(), true);
    }
    EXPECT_EQ(drawn.pixelColor(10, 1), kGreen);
    for (int x : {20, 100, 179}) EXPECT_EQ(drawn.pixelColor(x, 1), kRed) << x;
    EXPECT_EQ(drawn.pixelColor(180, 1), kRed); // the last part starts with column 20 again
    EXPECT_EQ(drawn.pixelColor(190, 1), kBlue);
    EXPECT_EQ(drawn.pixelColor(100, 50), QColor(Qt::white)); // the inside is not the frame's
    {
        QPainter painter(&drawn);
        PaintFrame(painter, skin, drawn.size(), false);
    }
    EXPECT_EQ(drawn.pixelColor(100, 1), kGrey); // the inactive half

    const QRegion shape = FrameShape(skin, QSize(200, 100));
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    EXPECT_FALSE(shape.contains(QPoint(1, 0)));
    EXPECT_TRUE(shape.contains(QPoint(2, 0)));
    EXPECT_FALSE(shape.contains(QPoint(0, 90))); // the bottom corner from the mask's lower rows
    EXPECT_TRUE(shape.contains(QPoint(0, 89)));
    EXPECT_FALSE(shape.contains(QPoint(199, 0))); // the right mask, mirrored
    EXPECT_TRUE(shape.contains(QPoint(100, 50)));
}

TEST(FrameSkin, AMissingMaskLeavesThePlainFrame) {
    FrameFolder folder(false);
    FrameSkin skin;
    skin.frameWidth = 9;
    EXPECT_FALSE(LoadFrameSkin(folder.File(), skin));
    EXPECT_EQ(skin.frameWidth, 9);
    EXPECT_FALSE(LoadFrameSkin("/nonexistent/videoWin.ini", skin));
}

} // namespace
} // namespace orv
