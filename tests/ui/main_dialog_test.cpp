// The main window on Qt's offscreen platform with the generated default skin and a real
// client core: keys, call progress as the core reports it, the talk time, closing, the
// lost-server path and the plain window without a skin.
#include "client/audio/devices/software_volume.h"
#include "client/data/client_config.h"
#include "client/skin/skin_button.h"
#include "client/ui/function_menu.h"
#include "client/userserver/option_packets.h"
#include "client/userserver/user_serv_handler.h"
#include "platform/profile.h"
#include "client/ui/dial_pad.h"
#include "tests/ui/ui_test_support.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <map>
#include <gtest/gtest.h>

namespace orv {
namespace {

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(f.Ready()) << f.Error(); }

    // A call-progress event as the core hands it on.
    void Progress(int type, const std::string& text, const std::string& tone = "") {
        f.Emit("call_progress", {{"type", std::to_string(type)}, {"number", "8002"}, {"name", "Bob"}, {"tone", tone}},
               text);
    }
    static QString Tip(MainDialog& w, const char* control) { return w.Control(control)->toolTip(); }

    UiFixture f;
};

TEST_F(MainWindow, SkinnedWithEveryControlAndTheDisplayAreas) {
    MainDialog& w = f.Window();
    ASSERT_TRUE(w.IsSkinned());
    for (const char* name : {"BUTTON_FUNC", "BUTTON_CALL", "BUTTON_RECALL", "BUTTON_ENDCALL", "BUTTON_OWNVIDEO",
                             "BUTTON_FRIEND", "BUTTON_HELP", "BUTTON_CALLRECORD", "BUTTON_MIN", "BUTTON_CLOSE",
                             "BUTTON_LINK"}) {
        ASSERT_NE(w.Button(name), nullptr) << name;
        EXPECT_TRUE(w.Button(name)->HasFaces()) << name;
    }
    EXPECT_NE(w.Slider("TRACKBAR_PLAY"), nullptr);
    EXPECT_NE(w.Slider("TRACKBAR_RECORD"), nullptr);
    EXPECT_EQ(Tip(w, "BUTTON_CALL"), "Call");
    EXPECT_EQ(Tip(w, "BUTTON_ENDCALL"), "Hangup");
    EXPECT_EQ(Tip(w, "BUTTON_CLOSE"), "Exit");
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(w.windowIcon().isNull());
    EXPECT_FALSE(w.mask().isEmpty());
    EXPECT_FALSE(w.mask().contains(QPoint(0, 0))) << "rounded corner cut by the mask";
    QWidget* message = w.findChild<QWidget*>("MESSAGE_AREA");
    QWidget* time = w.findChild<QWidget*>("TIME_AREA");
    ASSERT_NE(message, nullptr);
    ASSERT_NE(time, nullptr);
    EXPECT_FALSE(message->geometry().intersects(time->geometry()));
    EXPECT_TRUE(w.rect().contains(time->geometry()));
    EXPECT_EQ(w.TimeAreaText().size(), 8) << "the clock hh:mm:ss";
}

TEST_F(MainWindow, KeysBuildTheNumberAndEnterCalls) {
    MainDialog& w = f.Window();
    w.show();
    QTest::keyClicks(&w, "12*3");
    EXPECT_EQ(w.NumberField(), "12*3");
    EXPECT_EQ(w.MessageAreaText(), "12*3");
    EXPECT_EQ(f.tones, (std::vector<std::string>{"IDR_WAVE1", "IDR_WAVE2", "IDR_WAVEPOUND", "IDR_WAVE3"}));
    QTest::keyClick(&w, Qt::Key_Backspace);
    EXPECT_EQ(w.NumberField(), "12*");
    EXPECT_EQ(w.MessageAreaText(), "12*");
    QTest::keyClicks(&w, "ab");
    EXPECT_EQ(w.NumberField(), "12*") << "letters are swallowed";
    QTest::keyClick(&w, Qt::Key_3);
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"12*3"}));
    EXPECT_EQ(w.LastNumber(), "12*3");
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible()) << "Escape does not close the window";
}

TEST_F(MainWindow, ButtonsCallRedialAndHangUp) {
    MainDialog& w = f.Window();
    w.show();
    QTest::mouseClick(w.Button("BUTTON_RECALL"), Qt::LeftButton);
    EXPECT_TRUE(f.calls.empty()) << "redial with no last number does nothing";
    QTest::mouseClick(w.Button("BUTTON_CALL"), Qt::LeftButton);
    EXPECT_TRUE(f.calls.empty()) << "an empty number is not called";
    QTest::keyClicks(&w, "8002");
    QTest::mouseClick(w.Button("BUTTON_CALL"), Qt::LeftButton);
    QTest::mouseClick(w.Button("BUTTON_ENDCALL"), Qt::LeftButton);
    EXPECT_EQ(f.hangups, 1);
    Progress(4, "Hangup", "silence");
    QTest::mouseClick(w.Button("BUTTON_RECALL"), Qt::LeftButton);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"8002", "8002"}));
}

TEST_F(MainWindow, CallProgressTalkTimeAndTheLastTalkTimeForFiveSeconds) {
    MainDialog& w = f.Window();
    w.show();
    QTest::keyClicks(&w, "8002");
    QTest::keyClick(&w, Qt::Key_Enter);
    f.state = 2;
    Progress(1, "Calling: 8002 Bob");
    EXPECT_EQ(w.MessageAreaText(), "Calling: 8002 Bob");
    EXPECT_EQ(Tip(w, "BUTTON_RECALL"), "Redial 8002");
    f.state = 4;
    Progress(5, "Ringing: 8002 Bob", "IDR_WAVERING");
    EXPECT_EQ(w.MessageAreaText(), "Ringing: 8002 Bob");
    EXPECT_EQ(w.LastTone(), "IDR_WAVERING");
    f.state = 6;
    Progress(8, "Talking: 8002 Bob", "silence");
    EXPECT_EQ(w.MessageAreaText(), "Talking: 8002 Bob");
    EXPECT_EQ(w.TimeAreaText(), "00:00:00");
    EXPECT_EQ(f.tones.back(), "");

    // Digits typed while talking show in the field and go to the call's DTMF buffer.
    QTest::keyClicks(&w, "4#");
    EXPECT_EQ(w.NumberField(), "80024#");
    EXPECT_EQ(f.dtmf, (std::vector<std::string>{"4", "#"}));

    f.tick += 65000;
    w.Refresh();
    EXPECT_EQ(w.TimeAreaText(), "00:01:05");
    f.state = 0;
    Progress(4, "Hangup", "silence");
    EXPECT_EQ(w.MessageAreaText(), "Hangup");
    EXPECT_EQ(w.NumberField(), "") << "the number field is emptied at the end of a call";
    f.tick += 4900;
    w.Refresh();
    EXPECT_EQ(w.TimeAreaText(), "00:01:05") << "the talk time stays 5 s";
    f.tick += 100;
    w.Refresh();
    EXPECT_NE(w.TimeAreaText(), "00:01:05") << "then the clock returns";
    EXPECT_EQ(w.TimeAreaText().size(), 8);
}

TEST_F(MainWindow, IncomingCallAcceptTipAndRefusal) {
    MainDialog& w = f.Window();
    w.show();
    w.hide(); // hidden (as in the tray): an incoming call brings it back
    f.state = 3;
    Progress(6, "Incoming: 8002 Bob");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(Tip(w, "BUTTON_CALL"), "Accept");
    EXPECT_EQ(w.LastTone(), "IDR_WAVEALERT") << "no handset: the alert tone";
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_EQ(f.calls, (std::vector<std::string>{""})) << "Enter accepts the ringing call";
    f.state = 0;
    Progress(3, "Refused: 8002 Bob", "IDR_WAVEBUSY");
    EXPECT_EQ(Tip(w, "BUTTON_CALL"), "Call");
    EXPECT_EQ(w.MessageAreaText(), "Refused: 8002 Bob");
    EXPECT_EQ(w.LastTone(), "IDR_WAVEBUSY");
}

// The sliders start from the mixer's volumes, set them when moved (here the software volume
// of a file device, which scales what the device records and plays), show the level for 2 s
// and are kept in the settings, so a later start finds them again.
TEST_F(MainWindow, VolumeSlidersDriveTheMixerAndAreKept) {
    ClientConfig& config = *f.Core().Config();
    const std::string device = "wav:out=" + f.Home() + "/volume.wav";
    config.Audio().device = device;
    SoftwareVolume(device, AudioDirection::Playback).store(0x8000);
    SoftwareVolume(device, AudioDirection::Capture).store(kFullSoftwareVolume);
    {
        MainDialog& w = f.Window();
        w.show();
        SkinSlider* play = w.Slider("TRACKBAR_PLAY");
        SkinSlider* record = w.Slider("TRACKBAR_RECORD");
        EXPECT_EQ(play->Value(), 50) << "started from the current volume";
        EXPECT_EQ(record->Value(), 100);

        record->setFocus();
        while (record->Value() > 0) QTest::keyClick(record, Qt::Key_Down);
        EXPECT_EQ(SoftwareVolume(device, AudioDirection::Capture).load(), 0u) << "the microphone is silenced";
        EXPECT_EQ(w.MessageAreaText(), "Record Volume 0%");
        QTest::mouseClick(play, Qt::LeftButton, {}, QPoint(play->width() - 1, play->height() / 2));
        EXPECT_EQ(play->Value(), 100);
        EXPECT_EQ(SoftwareVolume(device, AudioDirection::Playback).load(), 0xFF00u);
        EXPECT_EQ(w.MessageAreaText(), "Playback Volume 100%");
        f.tick += 2000;
        w.Refresh();
        EXPECT_FALSE(w.MessageAreaText().startsWith("Playback Volume"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return config.Audio().recordVolume == 0; }, 5000));
    }
    EXPECT_EQ(GetProfileInt("Audio", "RecordVolume", -1, config.SettingsFile()), 0);
    EXPECT_EQ(GetProfileInt("Audio", "PlayVolume", -1, config.SettingsFile()), 255);

    // A new start: the process's software volumes are back at full until the window opens.
    SoftwareVolume(device, AudioDirection::Capture).store(kFullSoftwareVolume);
    MainDialog& again = f.Window(f.Services());
    EXPECT_EQ(again.Slider("TRACKBAR_RECORD")->Value(), 0);
    EXPECT_EQ(SoftwareVolume(device, AudioDirection::Capture).load(), 0u);
}

TEST_F(MainWindow, CloseAsksFirstAndCancelKeepsTheWindow) {
    MainDialog& w = f.Window();
    w.show();
    QString asked;
    AnswerNextMessageBox(false, &asked);
    QTest::mouseClick(w.Button("BUTTON_CLOSE"), Qt::LeftButton);
    EXPECT_EQ(asked, "Do you really want to quit ORV?");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.Closing());
    AnswerNextMessageBox(true, &asked);
    QTimer::singleShot(0, &w, [&] { QTest::mouseClick(w.Button("BUTTON_CLOSE"), Qt::LeftButton); });
    EXPECT_EQ(w.Exec(), MainDialog::ExitReason::UserQuit);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindow, LostServerReconnectsOrCloses) {
    MainDialog& w = f.Window();
    w.show();
    f.reconnectResult = kReconnectOk;
    f.Emit("keepalive_timeout", {{"request", "0x0103"}}, "Communication with ORV Server failed");
    EXPECT_EQ(f.reconnects, 1);
    EXPECT_FALSE(w.Closing()) << "a reconnect that worked keeps the window";
    EXPECT_TRUE(w.isVisible());

    // A call request without answer: "Call placing timeout" for 2 s, then the same path.
    f.reconnectResult = kReconnectFailed;
    f.Emit("server_failure", {{"request", "0x0201"}});
    EXPECT_EQ(w.MessageAreaText(), "Call placing timeout");
    EXPECT_EQ(f.reconnects, 1);
    QTimer::singleShot(0, &w, [] {});
    EXPECT_EQ(w.Exec(), MainDialog::ExitReason::ConnectionLost);
    EXPECT_EQ(f.reconnects, 2);
    EXPECT_GE(f.hangups, 1);
}

TEST_F(MainWindow, ReconnectAfterAnUpdateAsksForARestart) {
    MainDialog& w = f.Window();
    w.show();
    f.reconnectResult = kReconnectOkFilesUpdated;
    QString shown;
    AnswerNextMessageBox(true, &shown);
    f.Emit("server_failure", {{"request", "0x0104"}});
    EXPECT_EQ(shown, "Files updated, ORV will restart now");
    EXPECT_TRUE(w.RestartForUpdate());
}

TEST_F(MainWindow, ForcedLogoffFromTheCoreEndsTheWindowWithTheLogoffText) {
    MainDialog& w = f.Window();
    QString shown;
    AnswerNextMessageBox(true, &shown);
    // The user-server handler's forced logout, posted to the core's window as the
    // network thread would.
    QTimer::singleShot(0, &w, [&] { PostMessage(f.Core().Window(), WM_FORCED_LOGOUT, 2, 0); });
    EXPECT_EQ(w.Exec(), MainDialog::ExitReason::ForcedLogoff);
    EXPECT_TRUE(shown.endsWith("logged on at another place: you have been logged off")) << shown.toStdString();
    EXPECT_TRUE(f.Relay().Seen("forced_logoff"));
    f.Emit("call_progress", {{"type", "1"}}, "Calling: late");
    EXPECT_NE(w.MessageAreaText(), "Calling: late") << "results are ignored once closing";
}

TEST_F(MainWindow, FunctionMenuShowsWindowsToComeDisabledAndTheOthersAvailable) {
    MainDialog& w = f.Window();
    w.show();
    QTest::mouseClick(w.Button("BUTTON_FUNC"), Qt::LeftButton);
    auto* menu = w.findChild<QMenu*>("FunctionMenu");
    ASSERT_NE(menu, nullptr);
    std::map<int, bool> enabled;
    QList<QMenu*> menus = menu->findChildren<QMenu*>();
    menus << menu;
    for (QMenu* m : menus) {
        for (QAction* a : m->actions()) {
            if (!a->data().isValid()) continue;
            enabled[a->data().toInt()] = a->isEnabled();
            EXPECT_FALSE(a->icon().isNull()) << a->text().toStdString() << ": its icon from the skin";
        }
    }
    EXPECT_TRUE(enabled.at(kCmdExit));
    EXPECT_TRUE(enabled.at(kCmdAbout));
    for (int c : {kCmdSettings, kCmdAddressBook, kCmdCallLists, kCmdSetPassword, kCmdLocalNumber, kCmdCallForward,
                  kCmdAccount, kCmdConference})
        EXPECT_TRUE(enabled.at(c)) << c;
    for (int c : {kCmdShortMessage, kCmdVoiceMail, kCmdHotLine}) {
        EXPECT_FALSE(enabled.at(c)) << c;
    }
    menu->close();
}

TEST_F(MainWindow, AboutBoxShowsTheReleaseAndOpensOnce) {
    MainDialog& w = f.Window();
    w.show();
    QTest::mouseClick(w.Button("BUTTON_FUNC"), Qt::LeftButton);
    auto* menu = w.findChild<QMenu*>("FunctionMenu");
    ASSERT_NE(menu, nullptr);
    QAction* about = nullptr;
    for (QMenu* m : menu->findChildren<QMenu*>()) {
        for (QAction* a : m->actions()) {
            if (a->data().toInt() == kCmdAbout) about = a;
        }
    }
    ASSERT_NE(about, nullptr);
    about->trigger();
    about->trigger();
    EXPECT_EQ(w.findChildren<QDialog*>("AboutBox").size(), 1);
    QWidget* release = w.findChild<QDialog*>("AboutBox")->findChild<QWidget*>("line274");
    ASSERT_NE(release, nullptr);
    EXPECT_EQ(release->property("text").toString(), "Release: 1.0.0");
}

TEST_F(MainWindow, ForwardingPictureShowsWhileCallsAreForwarded) {
    MainDialog& w = f.Window();
    w.show();
    EXPECT_FALSE(w.ForwardMarkShown());
    ForwardRecord record;
    record.busy = "8003";
    f.Core().UserServ()->SetForwardCache(record);
    w.Refresh();
    EXPECT_TRUE(w.ForwardMarkShown());
    QWidget* mark = w.findChild<QWidget*>("FORWARD_MARK");
    ASSERT_NE(mark, nullptr);
    EXPECT_TRUE(w.rect().contains(mark->geometry()));
    f.Core().UserServ()->SetForwardCache(ForwardRecord{});
    w.Refresh();
    EXPECT_FALSE(w.ForwardMarkShown());
}

TEST_F(MainWindow, MinimiseThenAnIncomingCallBringsTheWindowBack) {
    MainDialog& w = f.Window();
    w.show();
    QTest::mouseClick(w.Button("BUTTON_MIN"), Qt::LeftButton);
    EXPECT_TRUE(!w.isVisible() || w.isMinimized()) << "hidden to the tray, or minimised without one";
    Progress(6, "Incoming: 8002 Bob");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
}

class PlainMainWindow : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(f.Ready()) << f.Error(); }
    UiFixture f{false};
};

TEST_F(PlainMainWindow, MissingSkinLeavesAPlainWindowThatStillCalls) {
    MainDialog& w = f.Window();
    w.show();
    EXPECT_FALSE(w.IsSkinned());
    EXPECT_FALSE(w.windowFlags() & Qt::FramelessWindowHint);
    auto* padButton = qobject_cast<QPushButton*>(w.Control("BUTTON_DIALPAD"));
    ASSERT_NE(padButton, nullptr);
    padButton->click();
    ASSERT_TRUE(w.DialPadShown()) << "the pad opens in the plain layout too";
    QTest::mouseClick(w.Pad()->Key('8'), Qt::LeftButton);
    QTest::keyClicks(&w, "002");
    EXPECT_EQ(w.MessageAreaText(), "8002");
    auto* call = qobject_cast<QPushButton*>(w.Control("BUTTON_CALL"));
    ASSERT_NE(call, nullptr);
    call->click();
    EXPECT_EQ(f.calls, (std::vector<std::string>{"8002"}));
    f.Emit("call_progress", {{"type", "1"}, {"number", "8002"}}, "Calling: 8002 ");
    EXPECT_EQ(w.MessageAreaText(), "Calling: 8002 ");
}

} // namespace
} // namespace orv
