// The video window in the default skin: its frame carries every button (the row goes), the
// picture fills the inside at each zoom, the title buttons run the window's commands, and a
// press on its title strip starts its own docking manager's drag, which docks it to the main
// window that then carries it along.
#include "client/app/qt_message_pump.h"
#include "client/skin/framed_window.h"
#include "tests/ui/ui_test_support.h"

#include <QCursor>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(VideoFrame, TitleButtonsRunCommandsAndTheTitleDocksIt) {
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    MainDialog& main = f.Window();
    main.move(100, 100);
    main.show();
    VideoWindow& video = main.Video().Window();
    SkinFrame* frame = video.Frame();
    ASSERT_NE(frame, nullptr);
    for (const char* name : {"ZOOM", "SMALLVIDEO", "VIDEOSWITCH", "CAMERA", "PAUSE", "PLAY", "VIDEOCONFIG", "CLOSE",
                             "RESTORE"}) {
        ASSERT_NE(video.Button(name), nullptr) << name;
        EXPECT_EQ(video.Button(name)->parentWidget(), frame) << name;
    }
    video.Zoom(VideoWindow::kZoom150);
    EXPECT_EQ(video.size(), QSize(528 + 12, 432 + 36));
    EXPECT_EQ(video.PictureArea(), QRect(6, 30, 528, 432));
    EXPECT_EQ(video.Display().geometry(), video.PictureArea());
    EXPECT_EQ(video.minimumSize(), MinimumClientSize(video.Metrics()) + QSize(12, 36)); // no button row

    video.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&video));
    QTest::mouseClick(video.Button("RESTORE"), Qt::LeftButton);
    EXPECT_EQ(video.PictureArea(), QRect(6, 30, 352, 288));
    video.move(600, 150); // partly off the 800-pixel screen: only a showing window is kept on it
    QTest::mouseClick(video.Button("PAUSE"), Qt::LeftButton);
    EXPECT_TRUE(video.SendingPaused());
    EXPECT_TRUE(video.Button("PAUSE")->isHidden());
    EXPECT_FALSE(video.Button("PLAY")->isHidden());
    QTest::mouseClick(video.Button("PLAY"), Qt::LeftButton);
    EXPECT_FALSE(video.SendingPaused());
    const bool small = video.Display().SmallOpen();
    QTest::mouseClick(video.Button("SMALLVIDEO"), Qt::LeftButton);
    EXPECT_NE(video.Display().SmallOpen(), small);

    // Pressed on the title strip, the window's own manager drags it; 10 pixels short of the
    // main window's right edge (x 400) it snaps flush and docks on release.
    const QPoint grip = video.mapToGlobal(QPoint(100, 15));
    QCursor::setPos(grip);
    QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(100, 15));
    ASSERT_TRUE(video.Dock().Dragging());
    QCursor::setPos(grip - QPoint(190, 0));
    video.Dock().OnMouseMove(QCursor::pos());
    video.Dock().OnButtonUp(QCursor::pos());
    QtMessagePump::Drain();
    EXPECT_EQ(video.pos(), QPoint(400, 150));
    EXPECT_TRUE(video.Dock().IsDocked(&main));
    EXPECT_TRUE(main.Dock().IsDocked(&video));

    const QPoint mainGrip(200, 110);
    main.Dock().OnTitleButtonDown(mainGrip);
    main.Dock().OnMouseMove(mainGrip + QPoint(30, 20));
    main.Dock().OnButtonUp(mainGrip + QPoint(30, 20));
    QtMessagePump::Drain();
    EXPECT_EQ(main.pos(), QPoint(130, 120));
    EXPECT_EQ(video.pos(), QPoint(430, 170));

    QTest::mouseClick(video.Button("CLOSE"), Qt::LeftButton);
    EXPECT_FALSE(video.isVisible());
}

} // namespace
} // namespace orv
