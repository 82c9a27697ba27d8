// The conference window in a live room of four: the desktop client chairs, three orvcli
// members (test-pattern cameras) join through orvserver, one of them invited from the
// address book. The window shows the three members with their pictures in the panes of
// their rows; digits go to a member; the chairman removes one, who is then busy to nobody
// but a member still seated is busy to its call; the chairman leaves and everyone is told;
// the chairman's records of the room and of every invitation end. With
// ORV_UI_SCREENSHOT_DIR set (tests/ui/conference_screenshots.sh) it also saves the desktop.
#include "client/audio/devices/audio_device_list.h"
#include "client/core/conference_control.h"
#include "client/core/friends_core.h"
#include "client/core/call_control.h"
#include "client/core/video_core.h"
#include "client/data/call_record_list.h"
#include "client/data/client_config.h"
#include "client/media/talk_media.h"
#include "client/media/video_frame_slot.h"
#include "client/ui/call_services.h"
#include "client/ui/function_menu.h"
#include "client/video/capture/test_pattern_camera.h"
#include "client/video/devices/video_device_list.h"
#include "tests/ui/ui_live_support.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
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
    for (Member& m : members) m.cli.WriteLine("quit");
    SetOnlyVideoDevice("");
    SetOnlySoundDevice("");
}

} // namespace
} // namespace orv
