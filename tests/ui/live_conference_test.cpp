// The conference window in a live room of four: the desktop client chairs, three orvcli
// members (test-pattern cameras) join through orvserver, one of them invited from the
// address book. The window shows the three members with their pictures in the panes of
// their rows; digits go to a member; the chairman removes one, who is then busy to nobody
// but a member still seated is busy to its call; the chairman leaves and everyone is told;
// the chairman's records of the room and of every invitation end. With
// ORV_UI_SCREENSHOT_DIR set (tests/ui/conference_screenshots.sh) it also saves the desktop,
// with the window and then with a member's still.
#include "client/audio/devices/audio_device_list.h"
#include "client/core/call_control.h"
#include "client/core/conference_control.h"
#include "client/core/core_event_fields.h"
#include "client/core/friends_core.h"
#include "client/core/video_core.h"
#include "client/data/call_record_list.h"
#include "client/data/client_config.h"
#include "client/media/talk_media.h"
#include "client/media/video_frame_slot.h"
#include "client/skin/framed_window.h"
#include "client/ui/call_services.h"
#include "client/ui/function_menu.h"
#include "client/video/capture/test_pattern_camera.h"
#include "client/video/devices/video_device_list.h"
#include "tests/ui/ui_live_support.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <deque>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace orv {
namespace {

// The test pattern's frame number read from a pane's picture; none while the pane shows
// something else (or a picture decoded before a whole key frame arrived).
std::optional<std::uint16_t> PanePatternNumber(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB888);
    if (image.isNull()) return std::nullopt;
    VideoFrame frame;
    frame.width = image.width();
    frame.height = image.height();
    // The pattern reader takes bottom-up BGR rows, as the decoder leaves them.
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(Rgb24ImageSize(frame.width, frame.height)));
    const int stride = static_cast<int>(bits.size()) / frame.height;
    for (int y = 0; y < frame.height; ++y) {
        const uchar* line = image.constScanLine(frame.height - 1 - y);
        for (int x = 0; x < frame.width; ++x) {
            bits[y * stride + x * 3] = line[x * 3 + 2];
            bits[y * stride + x * 3 + 1] = line[x * 3 + 1];
            bits[y * stride + x * 3 + 2] = line[x * 3];
        }
    }
    frame.bits = bits.data();
    frame.length = bits.size();
    return ReadTestPatternFrameNumber(frame);
}

struct Member {
    const char* number;
    const char* password;
    std::unique_ptr<TestFolder> home = std::make_unique<TestFolder>();
    ChildProcess cli;
};

// Closes the next modal dialog of that object name once it shows, keeping its title.
void RejectNextDialog(const QString& name, QString* title) {
    auto* timer = new QTimer();
    QObject::connect(timer, &QTimer::timeout, [timer, name, title] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->objectName() != name) return;
        *title = dialog->windowTitle();
        timer->stop();
        timer->deleteLater();
        dialog->reject();
    });
    timer->start(20);
}

void SaveScreen(const char* name) {
    const QString folder = qEnvironmentVariable("ORV_UI_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    QTest::qWait(600); // let the window manager place and paint
    EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0).save(folder + "/" + name));
}

TEST(ConferenceWindowLive, ThreeMembersWithPicturesKickBusyAndLeave) {
    LiveServer server;
    ASSERT_TRUE(server.Start()) << server.Output();
    ASSERT_TRUE(server.Admin("adduser 8004 4444", "ADMIN ok adduser")) << server.Output();
    Member members[] = {{"8002", "2222"}, {"8003", "3333"}, {"8004", "4444"}};
    for (Member& m : members) {
        std::ofstream(m.home->File("orvcli.cfg")) << "[Video]\nVideoQual=1\nFrameRate=5\nVideoFormat=1\nFlowRate=64\n";
        ASSERT_TRUE(StartClientProcess(m.cli, m.home->Path(), server.Address(), m.number, m.password,
                                       {"--audio-device", "null", "--video-device", kTestPatternCameraName,
                                        "--video-codec", "2"},
                                       kWaitMs))
            << m.cli.Output();
        ASSERT_TRUE(m.cli.WriteLine("logon"));
        ASSERT_TRUE(m.cli.WaitForLine("EVENT logon_complete", kWaitMs)) << m.cli.Output();
    }

    SetOnlySoundDevice("null");
    SetOnlyVideoDevice(kTestPatternCameraName);
    MediaPipelineScope media;
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    ClientConfig& config = *f.Core().Config();
    UseTestPatternCamera(config, 1, 5, 1);
    VideoCore video(f.Core());
    ASSERT_TRUE(f.Core().Logon(server.Host(), server.Port(), "8001", "1111"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Relay().Seen("logon_complete"); }, kWaitMs));
    MainServices services = f.Services();
    UseCallControl(*f.Core().Calls(), &services);
    UseVideoCore(video, &config, f.Core().Calls(), &services);
    std::deque<std::string> invites{"8002", "8003"};
    std::vector<std::string> told;
    services.conference.confirm = [](const std::string&) { return true; };
    services.conference.tell = [&](const std::string& text) { told.push_back(text); };
    services.conference.askInvite = [&] {
        std::string n = invites.empty() ? "" : invites.front();
        if (!invites.empty()) invites.pop_front();
        return n;
    };
    services.conference.askDigits = [](const std::string&) { return std::string("123456789012345678"); };
    MainDialog& w = f.Window(services);
    w.move(20, 40);
    w.show();
    video.StartFromConfiguration();

    // A friend to invite from the address book later.
    FriendEntry dora;
    dora.record.friendName = "Dora";
    dora.record.netPhone = "8004";
    ASSERT_EQ(f.Core().Friends()->SetFriend(dora), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Core().Friends()->FindByName("Dora").has_value(); }, kWaitMs));

    ASSERT_TRUE(w.Conference().Open());
    ConferenceWindow& cw = *w.Conference().Window();
    ConferenceControl& control = *w.Conference().Control();
    cw.Command("REQUEST");
    QWidget* invite = cw.Panel().Button("INVITE");
    ASSERT_NE(invite, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return invite->isEnabled(); }, kWaitMs)) << "room registered and connected";
    EXPECT_TRUE(control.Chairman());
    cw.Command("INVITE");
    cw.Command("INVITE");

    // The third from the address book, through its menu's invitation.
    ASSERT_TRUE(w.Windows().Open(kCmdAddressBook));
    AddressBookWindow* book = w.Windows().AddressBook();
    ASSERT_NE(book, nullptr);
    ASSERT_TRUE(book->SelectFriend("Dora"));
    QMenu* menu = book->BuildMenu();
    QAction* inviteDora = nullptr;
    for (QAction* a : menu->actions()) {
        if (a->data().toInt() == 341) inviteDora = a;
    }
    ASSERT_NE(inviteDora, nullptr) << "the address book offers the invitation during a conference";
    inviteDora->trigger();
    delete menu;
    book->close();

    for (Member& m : members) {
        ASSERT_TRUE(CliLine(m.cli, "EVENT call_progress type=6", kWaitMs)) << m.cli.Output();
        ASSERT_TRUE(m.cli.WriteLine("answer"));
    }
    // Every member in a row, asked for its video, its pictures decoded into its own pane.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const auto rows = cw.Panel().Rows();
        if (rows.size() != 3) return false;
        for (int pane = 1; pane <= 3; ++pane) {
            if (!rows[pane - 1].showingVideo || cw.Panes().Member(pane) != rows[pane - 1].endpoint ||
                cw.Panes().PaneImage(pane).isNull() || !PanePatternNumber(cw.Panes().PaneImage(pane)))
                return false;
        }
        return cw.Panes().HasPicture(0);
    }, kWaitMs * 2)) << "rows " << cw.Panel().Rows().size();
    const auto rows = cw.Panel().Rows();
    EXPECT_EQ(rows[2].number, "8004");
    EXPECT_EQ(rows[2].name, "Dora");
    for (int pane = 1; pane <= 3; ++pane) {
        const QImage image = cw.Panes().PaneImage(pane);
        if (image.isNull()) {
            ADD_FAILURE() << "pane " << pane << " has no picture";
            continue;
        }
        EXPECT_TRUE(PanePatternNumber(image).has_value()) << "pane " << pane << " shows a member's pattern";
    }
    // A picture from a sender no pane shows is dropped.
    VideoFrameSlot stray;
    stray.Assign(2, 0xDEAD);
    EXPECT_FALSE(cw.Panes().ShowMemberSlot(&stray));
    EXPECT_FALSE(w.Conference().CanInvite()) << "no free seat left";
    cw.Command("INVITE");
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back(), "No free conference seat");
    cw.raise();
    SaveScreen("conference-window.png");

    // The frame's buttons. ZOOM offers the video window's zoom menu: 200 % doubles the
    // pictures (the panel keeps its size), the whole work area fills the screen, normal
    // brings the first size back; the members' pictures keep coming.
    SkinFrame* frame = FrameOf(cw);
    ASSERT_NE(frame, nullptr);
    const QSize normalPanes = cw.Panes().size();
    const QSize normalWindow = cw.size();
    QTest::mouseClick(frame->Button("ZOOM"), Qt::LeftButton);
    ASSERT_TRUE(cw.ZoomMenu()->isVisible());
    cw.ZoomMenu()->actions()[3]->trigger();
    cw.ZoomMenu()->hide();
    EXPECT_EQ(cw.Panes().size(), normalPanes * 2);
    EXPECT_EQ(cw.width(), normalWindow.width() + normalPanes.width());
    EXPECT_TRUE(cw.ZoomMenu()->actions()[3]->isChecked());
    cw.Zoom(ZoomMenu::kFullScreen);
    EXPECT_EQ(cw.size(), cw.screen()->availableGeometry().size());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return PanePatternNumber(cw.Panes().PaneImage(3)).has_value(); }, kWaitMs));
    cw.Zoom(ZoomMenu::kNormal);
    EXPECT_EQ(cw.size(), normalWindow);

    // CAMERA: a still of the selected member's picture, titled with its address-book name,
    // saved as a file that holds that member's pattern; with our own pane selected, our
    // camera's picture as "Local Picture", in place of the first dialog.
    const QTemporaryDir stills;
    QTest::mouseClick(&cw.Panes(), Qt::LeftButton, {}, cw.Panes().PaneRect(3).center());
    QTest::mouseClick(frame->Button("CAMERA"), Qt::LeftButton);
    QPointer<SnapshotDialog> still = cw.OpenSnapshot();
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->Caption(), "Dora");
    SaveScreen("conference-snapshot.png");
    ASSERT_TRUE(still->SaveTo(stills.filePath("dora.png")));
    EXPECT_TRUE(PanePatternNumber(QImage(stills.filePath("dora.png"))).has_value());
    QTest::mouseClick(&cw.Panes(), Qt::LeftButton, {}, cw.Panes().PaneRect(0).center());
    QTest::mouseClick(frame->Button("CAMERA"), Qt::LeftButton);
    ASSERT_NE(cw.OpenSnapshot(), nullptr);
    EXPECT_EQ(cw.OpenSnapshot()->Caption(), "Local Picture");
    EXPECT_TRUE(QTest::qWaitFor([&] { return still.isNull(); }, kWaitMs))
        << "the first still closed";
    ASSERT_TRUE(cw.OpenSnapshot()->SaveTo(stills.filePath("own.bmp")));
    const QImage own(stills.filePath("own.bmp"));
    EXPECT_EQ(QFileInfo(stills.filePath("own.bmp")).size(),
              54 + own.height() * ((own.width() * 3 + 3) / 4 * 4));
    cw.OpenSnapshot()->close();

    // VIDEOCONFIG: the video options, as from the video window.
    QString optionsTitle;
    RejectNextDialog("VideoOptions", &optionsTitle);
    QTest::mouseClick(frame->Button("VIDEOCONFIG"), Qt::LeftButton);
    EXPECT_EQ(optionsTitle, "Video Setting");

    // Digits to the first member's seat, 15 at a time.
    cw.Command("DTMF0");
    std::string line;
    EXPECT_TRUE(server.WaitForText("digits=123456789012345", &line)) << server.Output();

    // The chairman removes Dora: she is told, her row and pane go.
    cw.Command("KICK2");
    ASSERT_TRUE(CliLine(members[2].cli, "EVENT conf_event type=3 reason=11", kWaitMs)) << members[2].cli.Output();
    ASSERT_TRUE(QTest::qWaitFor([&] { return cw.Panel().Rows().size() == 2 && cw.Panes().Member(3) == 0; }, kWaitMs));

    // A member sitting in the room is busy to a talk request.
    ASSERT_TRUE(CliLine(members[2].cli, "EVENT call_state state=0 ", kWaitMs)) << members[2].cli.Output();
    ASSERT_TRUE(members[2].cli.WriteLine("call 8002"));
    EXPECT_TRUE(CliLine(members[2].cli, "TEXT Busy: 8002", kWaitMs)) << members[2].cli.Output();
    EXPECT_TRUE(server.WaitForText("CALL id=0 caller=8004 called=8002 original= result=busy reason=-14 by=server"))
        << "refused by the server, not rung at 8002 and refused there";

    // The chairman leaves: the room closes for the others, the window goes.
    cw.Command("EXIT");
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(CliLine(members[i].cli, "EVENT conf_event type=3 reason=17", kWaitMs)) << members[i].cli.Output();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Conference().Window() == nullptr; }, kWaitMs));

    // The room's record and every invitation's record end; Dora's with the kick's reason.
    std::vector<CallRecord> records;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        records = f.Core().Records()->Records();
        int finished = 0;
        for (const CallRecord& r : records) finished += r.conference != 0 && r.Finished() ? 1 : 0;
        return finished == 4;
    }, kWaitMs));
    for (const CallRecord& r : records) {
        if (r.conference == 0) continue;
        EXPECT_TRUE(r.Finished()) << r.called;
        if (r.called == "8004") {
            EXPECT_EQ(r.endReason, 11);
        }
    }

    // Invited into 8002's room with 8003: the main window's call button answers, the
    // conference window opens by itself and shows the chairman's and 8003's seats, with no
    // room buttons of its own; the chairman's leaving closes it.
    ASSERT_TRUE(CliLine(members[0].cli, "EVENT call_state state=0 ", kWaitMs)) << members[0].cli.Output();
    ASSERT_TRUE(members[0].cli.WriteLine("conf-open"));
    ASSERT_TRUE(CliLine(members[0].cli, "EVENT conf_event type=14", kWaitMs))
        << members[0].cli.Output();
    const std::size_t before = f.Relay().events.size();
    ASSERT_TRUE(members[0].cli.WriteLine("conf-invite 8001"));
    ASSERT_TRUE(members[0].cli.WriteLine("conf-invite 8003"));
    ASSERT_TRUE(CliLine(members[1].cli, "EVENT call_progress type=6", kWaitMs))
        << members[1].cli.Output();
    ASSERT_TRUE(members[1].cli.WriteLine("answer"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto& events = f.Relay().events;
            for (std::size_t i = before; i < events.size(); ++i) {
                if (events[i].name == "call_progress" && EventIntField(events[i], "type") == 6)
                    return true;
            }
            return false;
        },
        kWaitMs))
        << "the invitation rings here";
    EXPECT_EQ(w.Conference().Window(), nullptr) << "nothing opens before the answer";
    QTest::mouseClick(w.Control("BUTTON_CALL"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Conference().Window() != nullptr; }, kWaitMs));
    ConferenceWindow& invited = *w.Conference().Window();
    EXPECT_TRUE(invited.isVisible());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto seats = invited.Panel().Rows(); // in the order they joined
            return seats.size() == 2 && seats[0].number != seats[1].number &&
                   (seats[0].number == "8002" || seats[0].number == "8003") &&
                   (seats[1].number == "8002" || seats[1].number == "8003");
        },
        kWaitMs))
        << "rows " << invited.Panel().Rows().size();
    EXPECT_FALSE(w.Conference().Control()->Chairman());
    EXPECT_FALSE(invited.Panel().Button("REQUEST")->isEnabled());
    EXPECT_FALSE(invited.Panel().Button("INVITE")->isEnabled());
    EXPECT_FALSE(invited.Panel().Button("KICK0")->isVisible())
        << "only the chairman removes members";
    ASSERT_TRUE(members[0].cli.WriteLine("conf-leave"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Conference().Window() == nullptr; }, kWaitMs));

    for (Member& m : members) m.cli.WriteLine("quit");
    SetOnlyVideoDevice("");
    SetOnlySoundDevice("");
}

} // namespace
} // namespace orv
