// A plain window given the default skin's video frame in one call: margins and layout
// inside the frame, the corners cut, the edges drawn in both looks, the title-bar buttons
// placed from the right and reporting by name, sizing edges reported, the title strip
// moving the window or leaving the press to the window, and a frame refused twice or
// without its pictures.
#include "client/data/skin_paths.h"
#include "client/data/skin_unpack.h"
#include "client/skin/frame_title_button.h"
#include "client/skin/framed_window.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace orv {
namespace {

// Records the presses that reach the window itself.
class PressWatch : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) ++presses;
        return false;
    }
};

std::string UnpackVideoSkin(const QTemporaryDir& home) {
    std::string error;
    const std::string root = home.path().toStdString() + "/" + kSkinRootFolder;
    EXPECT_TRUE(UnpackSkinArchive(std::string(ORV_SKIN_ARCHIVE_DIR) + "/" + kMainSkinArchive, root, &error)) << error;
    return SkinFilePath(home.path().toStdString(), SkinWindow::Video);
}

TEST(FramedWindow, OneCallFramesLaysOutCutsDrawsAndRoutesTheMouse) {
    QTemporaryDir home;
    const std::string file = UnpackVideoSkin(home);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Video"));
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(0, 0, 0, 0);
    auto* inside = new QLabel(QStringLiteral("picture"), &window);
    column->addWidget(inside);
    std::vector<QString> commands;
    std::vector<int> sizing;
    FrameHooks hooks;
    hooks.command = [&](const QString& name) { commands.push_back(name); };
    hooks.sizingBegins = [&](int edge) { sizing.push_back(edge); };
    SkinFrame* frame = ApplyFrameSkin(window, file, hooks);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(FrameOf(window), frame);
    EXPECT_EQ(ApplyFrameSkin(window, file, hooks), nullptr); // one frame per window
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    window.resize(400, 300);
    window.move(50, 60);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // The default frame: a 30-pixel title strip over a 6-pixel rim; the layout stays inside.
    EXPECT_EQ(window.contentsMargins(), QMargins(6, 30, 6, 6));
    EXPECT_EQ(inside->geometry(), QRect(6, 30, 388, 264));
    // Rounded top corners cut from the shape, square bottom corners kept.
    const QRegion shape = window.mask();
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    EXPECT_FALSE(shape.contains(QPoint(399, 0)));
    EXPECT_TRUE(shape.contains(QPoint(10, 0)));
    EXPECT_TRUE(shape.contains(QPoint(0, 299)));
    EXPECT_TRUE(shape.contains(QPoint(399, 299)));

    // Drawn in the inactive look, then the active one: the title strip's middle is the top
    // picture's (a shade darker when inactive), with the title text in a contrasting colour.
    const QImage top = frame->Skin().top.picture;
    const QColor activeStrip = top.pixelColor(top.width() / 2, 15);
    const QColor inactiveStrip = top.pixelColor(top.width() / 2, 30 + 15);
    ASSERT_NE(activeStrip, inactiveStrip);
    const QImage drawn = frame->grab().toImage();
    const QColor seen = drawn.pixelColor(200, 15);
    EXPECT_EQ(seen, frame->ActiveLook() ? activeStrip : inactiveStrip);
    EXPECT_GT(std::abs(frame->TitleColour().lightness() - activeStrip.lightness()), 128);
    bool titleInk = false;
    for (int x = 18; x < 80 && !titleInk; ++x) {
        for (int y = 6; y < 26 && !titleInk; ++y) titleInk = drawn.pixelColor(x, y) != seen;
    }
    EXPECT_TRUE(titleInk);

    // Buttons placed from the right edge, following a resize; a click reports the name.
    QToolButton* close = frame->Button(QStringLiteral("CLOSE"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->pos(), QPoint(400 - 26, 6));
    EXPECT_EQ(close->size(), QSize(20, 20));
    EXPECT_EQ(close->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(frame->Button(QStringLiteral("NOSUCH")), nullptr);
    QTest::mouseClick(frame->Button(QStringLiteral("ZOOM")), Qt::LeftButton);
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_EQ(commands, (std::vector<QString>{"ZOOM", "CLOSE"}));
    window.resize(500, 300);
    EXPECT_EQ(close->pos(), QPoint(500 - 26, 6));
    EXPECT_EQ(inside->geometry(), QRect(6, 30, 488, 264));
    close->setDown(true);
    EXPECT_EQ(static_cast<FrameTitleButton*>(close)->CurrentLook(), 2);
    close->setDown(false);
    close->setEnabled(false); // three looks only: disabled draws the normal one
    EXPECT_EQ(static_cast<FrameTitleButton*>(close)->CurrentLook(), 0);

    // The outer 6 pixels size the window; the strip inside them is the title.
    EXPECT_EQ(frame->SizingEdgeAt({0, 0}), kSizeTopLeft);
    EXPECT_EQ(frame->SizingEdgeAt({499, 150}), kSizeRight);
    EXPECT_EQ(frame->SizingEdgeAt({250, 299}), kSizeBottom);
    EXPECT_EQ(frame->SizingEdgeAt({5, 299}), kSizeBottomLeft);
    EXPECT_EQ(frame->SizingEdgeAt({250, 150}), kSizeNone);
    EXPECT_TRUE(frame->TitleAt({250, 15}));
    EXPECT_FALSE(frame->TitleAt({250, 3}));
    QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(2, 150));
    QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(2, 150));
    EXPECT_EQ(sizing, (std::vector<int>{kSizeLeft}));

    // A title drag moves the window by the cursor's way.
    PressWatch watch;
    window.installEventFilter(&watch);
    const QPoint from = window.pos();
    QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(250, 15));
    const QPointF hand = frame->mapToGlobal(QPointF(290, 35));
    QMouseEvent move(QEvent::MouseMove, QPointF(290, 35), hand, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(250, 15), hand, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(frame, &release);
    EXPECT_EQ(window.pos(), from + QPoint(40, 20));
    EXPECT_EQ(watch.presses, 0);
}

TEST(FramedWindow, LeavesTheTitleDragToTheWindowAndRefusesAnIncompleteFrame) {
    QTemporaryDir home;
    const std::string file = UnpackVideoSkin(home);
    QWidget window;
    FrameHooks hooks;
    hooks.moveByTitle = false;
    SkinFrame* frame = ApplyFrameSkin(window, file, hooks);
    ASSERT_NE(frame, nullptr);
    window.resize(300, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    PressWatch watch;
    window.installEventFilter(&watch);
    const QPoint from = window.pos();
    QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(150, 15));
    QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(150, 15));
    EXPECT_EQ(watch.presses, 1); // the window (its docking manager) takes the drag
    EXPECT_EQ(window.pos(), from);

    // Without its right corner mask the frame is not applied and the window keeps its own.
    QFile::remove(QString::fromStdString(SkinFolderPath(home.path().toStdString(), SkinWindow::Video)) +
                  "/RightMask.bmp");
    QWidget plain;
    EXPECT_EQ(ApplyFrameSkin(plain, file), nullptr);
    EXPECT_EQ(FrameOf(plain), nullptr);
    EXPECT_FALSE(plain.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(plain.contentsMargins(), QMargins());
}

} // namespace
} // namespace orv
