// Docking a stand-in window to the main window on Qt's offscreen platform: snapping with the
// cursor, docking on release, moving along, holding and tearing loose, the right-edge resize
// and a hidden neighbour. The two managers talk through the platform's posted messages.
#include "client/app/qt_message_pump.h"
#include "client/ui/dock/dock_manager.h"
#include "tests/ui/ui_test_support.h"

#include <QCursor>
#include <gtest/gtest.h>

namespace orv {
namespace {

class Docking : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(f.Ready()) << f.Error();
        main = &f.Window();
        main->move(100, 100);
        main->show();
        standIn.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        standIn.resize(200, 150);
        standIn.move(600, 150);
        standIn.show();
        ASSERT_EQ(main->frameGeometry(), QRect(100, 100, 300, 520)); // the main skin's size
        ASSERT_TRUE(dock.Attach(&standIn, CDockManager::kFollower));
        ASSERT_FALSE(dock.Attach(&standIn, CDockManager::kFollower));
        ASSERT_TRUE(dock.AddNeighbour(main));
        ASSERT_FALSE(dock.AddNeighbour(main));
        ASSERT_TRUE(main->Dock().AddNeighbour(&standIn));
    }

    // A drag of `who` from `from` through each point of `path`, the cursor going where a
    // person's hand takes it (plus wherever the manager moved it), then released.
    QPoint Drag(CDockManager& who, QPoint from, std::initializer_list<QPoint> path, bool release = true) {
        QCursor::setPos(from);
        who.OnTitleButtonDown(from);
        QPoint hand = from;
        for (QPoint to : path) {
            QCursor::setPos(QCursor::pos() + (to - hand));
            hand = to;
            who.OnMouseMove(QCursor::pos());
        }
        if (release) who.OnButtonUp(QCursor::pos());
        QtMessagePump::Drain();
        return QCursor::pos();
    }

    UiFixture f;
    MainDialog* main = nullptr;
    QWidget standIn;
    CDockManager dock;
};

TEST_F(Docking, SnapsDocksMovesAlongAndTearsLoose) {
    // Hidden: the main window passes right by it without a snap.
    standIn.hide();
    Drag(main->Dock(), {200, 110}, {{390, 110}}); // main's right edge 10 px short of 600
    EXPECT_EQ(main->pos(), QPoint(290, 100));
    EXPECT_EQ(main->Dock().EdgeBits(&standIn), 0u);
    Drag(main->Dock(), {200, 110}, {{10, 110}});
    ASSERT_EQ(main->pos(), QPoint(100, 100));
    standIn.show();

    // Dragged to 10 px beside the main window's right edge (x 400): flush, the cursor 10 px
    // along too; docked on release, as both see it.
    const QPoint cursor = Drag(dock, {700, 160}, {{650, 160}, {510, 165}});
    EXPECT_EQ(standIn.pos(), QPoint(400, 155));
    EXPECT_EQ(cursor, QPoint(500, 165));
    EXPECT_EQ(dock.EdgeBits(main), kDockLeft);
    EXPECT_TRUE(dock.IsDocked(main));
    EXPECT_EQ(main->Dock().EdgeBits(&standIn), kDockRight);
    EXPECT_TRUE(main->Dock().IsDocked(&standIn));

    // The main window carries it along.
    Drag(main->Dock(), {200, 110}, {{230, 140}, {250, 130}});
    EXPECT_EQ(main->pos(), QPoint(150, 120));
    EXPECT_EQ(standIn.pos(), QPoint(450, 175));

    // Pulled 10 px away it holds; 15 px or more tears it loose, and release undocks.
    Drag(dock, {550, 200}, {{560, 200}}, false);
    EXPECT_EQ(standIn.pos(), QPoint(450, 175));
    Drag(dock, {560, 200}, {{580, 200}});
    EXPECT_EQ(standIn.pos(), QPoint(470, 175));
    EXPECT_FALSE(dock.IsDocked(main));
    EXPECT_FALSE(main->Dock().IsDocked(&standIn));

    // Docked again; resizing the main window from its right edge lets go of that contact.
    Drag(dock, {550, 200}, {{538, 200}});
    ASSERT_TRUE(main->Dock().IsDocked(&standIn));
    main->Dock().OnSizingBegins(2);
    QtMessagePump::Drain();
    EXPECT_EQ(main->Dock().EdgeBits(&standIn), 0u);
    EXPECT_FALSE(dock.IsDocked(main));
}

TEST(DockSnap, EdgesSnapHoldAndTearAlongBothAxes) {
    // A window 100 x 100 below a neighbour at y 0..200: its top edge snaps to y 200.
    const DockRect neighbour{0, 0, 300, 200};
    DockRect current{50, 240, 150, 340};
    DockRect proposed = current.Offset(0, -32); // top at 208, moving up
    std::uint32_t bits = 0;
    CursorShift shift = SnapToNeighbour(current, neighbour, proposed, bits);
    EXPECT_EQ(proposed.top, 200);
    EXPECT_EQ(shift.dy, -8);
    EXPECT_EQ(bits, kDockTop);
    current = proposed;
    proposed = current.Offset(5, -14); // pushing 14 px into it: held there, sideways free
    SnapToNeighbour(current, neighbour, proposed, bits);
    EXPECT_EQ(proposed.top, 200);
    EXPECT_EQ(proposed.left, 55);
    EXPECT_EQ(bits, kDockTop);
    // Far off to the side there is no overlap, so the contact ends.
    proposed = current.Offset(400, 0);
    SnapToNeighbour(current, neighbour, proposed, bits);
    EXPECT_EQ(bits, 0u);
    EXPECT_EQ(MirrorDockBits(kDockLeft | kDockTop), kDockRight | kDockBottom);
    EXPECT_EQ(DockBitsOfSizingEdge(5), kDockRight | kDockTop);
    EXPECT_EQ(DockBitsOfSizingEdge(8), kDockRight | kDockBottom);
    EXPECT_EQ(DockBitsOfSizingEdge(9), 0u);
}

} // namespace
} // namespace orv
