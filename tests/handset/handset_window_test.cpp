// The desktop client's windows with the handset, over the real handset library and the
// virtual handset driven by handsetctl, on Qt's offscreen platform: the main window's keys,
// hook and ringer, and the logon dialog taking a bound handset's number and logging on with
// its customer number at a real orvserver.
#include "client/app/library_message_boxes.h"
#include "client/app/logon_dialog.h"
#include "client/call/call_progress.h"
#include "client/core/handset_core.h"
#include "client/data/client_config.h"
#include "client/data/user_list_file.h"
#include "client/handset/handset_device.h"
#include "client/ui/function_menu.h"
#include "client/ui/skin_message_box.h"
#include "client/ui/windows/general_page.h"
#include "client/ui/windows/settings_window.h"
#include "client/userserver/user_serv_handler.h"
#include "handset/handsetsys_abi.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "tests/e2e/service_processes.h"
#include "tests/handset/handset_bench.h"
#include "tests/handset/input_events.h"
#include "tests/ui/ui_test_support.h"
#include "wire/password_digest.h"

#include "client/audio/pipeline/microphone_mute.h"
#include "client/handset/headset_buttons.h"

#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QApplication>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace orv {
namespace {

constexpr int kWaitMs = 20000;
constexpr std::uint8_t kKeyByte = 0x5A;
constexpr std::uint32_t kCustomer = 0x00C0FFEE;

bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, kWaitMs); }

bool Has(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(HandsetWindows, MainWindowKeysDialTheHookAnswersAndHangsUpAndTheRingerTakesTheAlert) {
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    HandsetBench bench; // the virtual handset lives in the bench's home folder
    ASSERT_TRUE(WriteHandsetMemory(bench.Home().File("handset_memory.bin"), kKeyByte, kCustomer, ""));
    MainServices services = f.Services();
    services.handsetPresent = [] { return HandsetDevice::Present(); };
    MainDialog& w = f.Window(std::move(services));
    HandsetCore handset(f.Core(), HandsetWindow{});
    handset.Retarget(w.HandsetHooks());
    ASSERT_TRUE(handset.Open());
    ASSERT_TRUE(bench.StartControl());
    ASSERT_EQ(bench.Command("plug"), "ok");
    ASSERT_TRUE(WaitFor([&] { return HandsetDevice::Present() && handset.Data().ready; }));
    EXPECT_EQ(handset.Data().customer, kCustomer);
    EXPECT_FALSE(handset.Data().bound);

    // The redial key with no call yet only brings the window back.
    ASSERT_EQ(bench.Command("tap redial"), "ok");
    ASSERT_TRUE(WaitFor([&] { return w.isVisible(); }));
    EXPECT_TRUE(f.calls.empty());

    // Lifted while idle: the dial tone. The keys type (with their key tones), erase takes
    // the last one back, and the dial key calls the number field.
    ASSERT_EQ(bench.Command("lift"), "ok");
    ASSERT_TRUE(WaitFor([&] { return !f.tones.empty() && f.tones.back() == "IDR_WAVEDAILTONE"; }));
    ASSERT_EQ(bench.Command("dial 8009"), "ok");
    ASSERT_TRUE(WaitFor([&] { return w.NumberField() == "8009"; }));
    EXPECT_EQ(f.tones.back(), "IDR_WAVE9");
    ASSERT_EQ(bench.Command("tap erase"), "ok");
    ASSERT_EQ(bench.Command("tap 2"), "ok");
    ASSERT_EQ(bench.Command("tap dial"), "ok");
    ASSERT_TRUE(WaitFor([&] { return !f.calls.empty(); }));
    EXPECT_EQ(f.calls, (std::vector<std::string>{"8002"}));
    EXPECT_EQ(w.LastNumber(), "8002");
    EXPECT_EQ(f.hangups, 0) << "erase hangs up only a call";

    // Put down during the call: hung up, the tone silenced.
    f.state = 1;
    ASSERT_EQ(bench.Command("replace"), "ok");
    ASSERT_TRUE(WaitFor([&] { return f.hangups == 1; }));
    EXPECT_EQ(f.tones.back(), "");
    f.state = 0;
    f.Emit("call_progress", {{"type", "4"}, {"number", "8002"}, {"tone", "silence"}}, "Hangup");

    // The redial key calls the window's last number again.
    ASSERT_EQ(bench.Command("tap redial"), "ok");
    ASSERT_TRUE(WaitFor([&] { return f.calls.size() == 2; }));
    EXPECT_EQ(f.calls.back(), "8002");
    EXPECT_EQ(w.NumberField(), "8002");

    // Lifted and put down while idle: the number field and its message are emptied.
    ASSERT_EQ(bench.Command("lift"), "ok");
    ASSERT_EQ(bench.Command("dial 55"), "ok");
    ASSERT_TRUE(WaitFor([&] { return w.NumberField() == "800255"; }));
    EXPECT_EQ(w.MessageAreaText(), "800255");
    ASSERT_EQ(bench.Command("replace"), "ok");
    ASSERT_TRUE(WaitFor([&] { return w.NumberField().empty(); }));
    EXPECT_NE(w.MessageAreaText(), "800255");
    EXPECT_EQ(f.calls.size(), 2u) << "on hook while idle calls nobody";

    // A call rings in: the handset rings instead of the alert tone; lifting answers it and
    // stops the ringer.
    f.state = 3;
    const CoreEvent incoming{"call_progress", {{"type", "6"}, {"number", "8003"}, {"tone", kToneAlert}}, "", ""};
    handset.OnCoreEvent(incoming);
    f.Emit("call_progress", incoming.fields, "Incoming call: 8003");
    EXPECT_TRUE(handset.Ringing());
    EXPECT_NE(bench.Command("state").find(" ringer=1 "), std::string::npos);
    EXPECT_FALSE(Has(f.tones, kToneAlert)) << "the ringer alerts instead";
    ASSERT_EQ(bench.Command("lift"), "ok");
    ASSERT_TRUE(WaitFor([&] { return f.calls.size() == 3; }));
    EXPECT_FALSE(handset.Ringing());
    EXPECT_NE(bench.Command("state").find(" ringer=0 "), std::string::npos);
    EXPECT_FALSE(Has(f.tones, "IDR_WAVEDAILTONE") && f.tones.back() == "IDR_WAVEDAILTONE")
        << "no dial tone over an answered call";

    // Unplugged: the alert tone is back for the next call.
    ASSERT_EQ(bench.Command("unplug"), "ok");
    ASSERT_TRUE(WaitFor([] { return !HandsetDevice::Present(); }));
    f.state = 3;
    f.Emit("call_progress", incoming.fields, "Incoming call: 8003");
    EXPECT_TRUE(Has(f.tones, kToneAlert));
}

// The core's events reach the handset, then the main window, as orvphone passes them on.
class HandsetRelay : public CoreListener {
public:
    void OnCoreEvent(const CoreEvent& event) override {
        if (handset) handset->OnCoreEvent(event);
        if (window) window->OnCoreEvent(event);
    }
    HandsetCore* handset = nullptr;
    MainDialog* window = nullptr;
};

TEST(HandsetWindows, ABoundHandsetGivesTheLogonItsNumberAndBindValueAndOffersTheSecuritySetting) {
    HandsetBench bench; // the client's home folder too
    ASSERT_TRUE(WriteHandsetMemory(bench.Home().File("handset_memory.bin"), kKeyByte, kCustomer, "8001"));
    ASSERT_TRUE(WriteUserListFile(bench.Home().File(kUserListFile), {"8002", "8001," + PasswordDigest("8001", "1111")}));
    TestFolder serverHome;
    ChildProcess server;
    std::string address;
    ASSERT_TRUE(StartServerProcess(server, serverHome.Path(), {}, kWaitMs, &address)) << server.Output();

    HandsetRelay relay;
    auto core = std::make_unique<ClientCore>(relay);
    std::string error;
    ASSERT_TRUE(core->Start(&error)) << error;
    core->Config()->UserServer().address = address.substr(0, address.rfind(':'));
    core->Config()->UserServer().port = PortOf(address);
    auto handset = std::make_unique<HandsetCore>(*core, HandsetWindow{});
    relay.handset = handset.get();

    int result = -1;
    auto dialog = std::make_unique<LogonDialog>(nullptr, *core, handset.get());
    QObject::connect(dialog.get(), &QDialog::finished, [&](int r) { result = r; });
    dialog->open();
    auto* number = dialog->findChild<QComboBox*>("LogonNumber");
    // The handset is plugged in once the dialog waits for it.
    ASSERT_TRUE(WaitFor([&] { return HandsetDevice::Current() != nullptr && handset->Device()->Bound(); }));
    ASSERT_TRUE(bench.StartControl());
    ASSERT_EQ(bench.Command("plug"), "ok");
    // The handset's number is found among the known ones with its remembered digest, so
    // the dialog logs on by itself, the customer number going with it.
    ASSERT_TRUE(WaitFor([&] { return result >= 0; }));
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(number->currentText(), "8001");
    EXPECT_FALSE(number->isEnabled()) << "the handset's number cannot be changed";
    EXPECT_EQ(core->LastLogonRequest().bindValue, kCustomer);
    EXPECT_EQ(core->Status().number, "8001");
    dialog.reset();

    // The main window's settings offer "Using with USB phone only" once the server told the
    // account's option and while the handset is there, following it while the window is open.
    ASSERT_TRUE(WaitFor([&] { return core->UserServ()->GetBindIDOpt() == '0'; }));
    MainServices services;
    services.handsetPresent = [] { return HandsetDevice::Present(); };
    MainDialog w(*core, services, bench.Home().Path());
    relay.window = &w;
    handset->Retarget(w.HandsetHooks());
    w.Windows().Open(kCmdSettings);
    auto* general = dynamic_cast<GeneralPage*>(w.Windows().Settings()->Page(0));
    ASSERT_NE(general, nullptr);
    EXPECT_TRUE(general->Security()->isEnabled());
    EXPECT_FALSE(general->Security()->isChecked());
    general->Security()->setChecked(true);
    ASSERT_EQ(bench.Command("unplug"), "ok");
    ASSERT_TRUE(WaitFor([&] { return !general->Security()->isEnabled(); }));
    EXPECT_FALSE(general->Security()->isChecked()) << "no handset, nothing to bind";
    ASSERT_EQ(bench.Command("plug"), "ok");
    ASSERT_TRUE(WaitFor([&] { return general->Security()->isEnabled(); }));
    EXPECT_FALSE(general->Security()->isChecked()) << "the account's option again";
    relay.window = nullptr;
    relay.handset = nullptr;
    handset.reset();
}

TEST(HandsetWindows, TheLibrarysMissingDriverBoxShowsOnceInTheUsersLanguage) {
    UiFixture f(false);
    ASSERT_TRUE(f.Ready()) << f.Error();
    f.Core().SetLanguage(kLanguageChinese);
    LibraryMessageBoxes boxes(f.Core().Texts());
    // The handset library's words when its driver is missing, said twice from threads of
    // its own, then a text the client does not know.
    const std::string missing = std::string("Can't find or open the file ") + handsetsys::kLibraryName + ".";
    for (const std::string& text : {missing, missing, std::string("Port 7 is stuck.")})
        std::thread([&text] { ShowMessageBox("Information", text); }).join();
    // Each box is answered as it comes; a box over another would never be answered.
    std::vector<QString> shown;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = dynamic_cast<SkinMessageBox*>(QApplication::activeModalWidget())) {
            shown.push_back(box->Text());
            box->accept();
        }
    });
    answer.start(10);
    ASSERT_TRUE(WaitFor([&] { return shown.size() >= 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, (std::vector<QString>{QString::fromUtf8("找不到或无法打开文件 libhandsetsys.so。"),
                                           QStringLiteral("Port 7 is stuck.")}))
        << "the repeat is not shown; an unknown text stays as it came";
}

// The main window with a handset core whose headset buttons come from fd.
struct HeadsetWindow {
    HeadsetWindow() : window(f.Window()), handset(f.Core(), HandsetWindow{}) { handset.Retarget(window.HandsetHooks()); }
    UiFixture f;
    MainDialog& window;
    HandsetCore handset;
};

TEST(HandsetWindows, HeadsetButtonsAnswerHangUpAndMuteAndOnlyWholePressesCount) {
    HeadsetWindow h;
    UiFixture& f = h.f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_TRUE(h.handset.WatchHeadsetButtons(ends[0]));
    SetMicrophoneMuted(false);

    // Not presses of a call button: releases, repeats, other keys, other event types, and a
    // record torn in two (its first half alone is nothing yet).
    f.state = 3;
    const input_event torn = Key(KEY_PICKUP_PHONE, 1);
    ASSERT_TRUE(WriteEvents(ends[1], {Key(KEY_PICKUP_PHONE, 0), Key(KEY_PICKUP_PHONE, 2), Key(KEY_A, 1),
                                      Key(KEY_PICKUP_PHONE, 1, EV_REL)}));
    ASSERT_EQ(write(ends[1], &torn, sizeof torn / 2), static_cast<ssize_t>(sizeof torn / 2));
    QTest::qWait(100);
    EXPECT_TRUE(f.calls.empty());
    // Its second half completes the press: the call ringing here is answered.
    ASSERT_EQ(write(ends[1], reinterpret_cast<const char*>(&torn) + sizeof torn / 2, sizeof torn - sizeof torn / 2),
              static_cast<ssize_t>(sizeof torn - sizeof torn / 2));
    ASSERT_TRUE(WaitFor([&] { return f.calls.size() == 1; }));

    // Talking: answer does nothing more, hang-up ends the call; idle, the phone button does
    // nothing; the mute button turns the microphone's mute over each time.
    f.state = 6;
    ASSERT_TRUE(WriteEvents(ends[1], {Key(KEY_PICKUP_PHONE, 1), Key(KEY_HANGUP_PHONE, 1), Key(KEY_MICMUTE, 1)}));
    ASSERT_TRUE(WaitFor([&] { return f.hangups == 1 && MicrophoneMuted(); }));
    f.state = 0;
    ASSERT_TRUE(WriteEvents(ends[1], {Key(KEY_PHONE, 1), Key(KEY_MICMUTE, 1)}));
    ASSERT_TRUE(WaitFor([&] { return !MicrophoneMuted(); }));
    EXPECT_EQ(f.calls.size(), 1u);
    EXPECT_EQ(f.hangups, 1);
    // Ringing: the phone button answers.
    f.state = 3;
    ASSERT_TRUE(WriteEvents(ends[1], {Key(KEY_PHONE, 1)}));
    ASSERT_TRUE(WaitFor([&] { return f.calls.size() == 2; }));
    EXPECT_TRUE(f.Relay().Seen("headset_button"));
    EXPECT_TRUE(f.Relay().Seen("microphone"));
    close(ends[1]); // the device goes away; the reader ends by itself
    EXPECT_FALSE(h.handset.WatchHeadsetButtons(-1));
}

// Why no input device can be made here (the kernel's uinput device is missing or closed).
std::string WhyNoUinput(int error) {
    std::string why = "/dev/uinput cannot be opened (" + std::string(std::strerror(error)) + "): ";
    if (error == ENOENT && access("/sys/class/misc/uinput", F_OK) != 0)
        why += "this kernel offers no uinput device (not built in, module not loaded; `modprobe uinput` loads it "
               "where the module exists)";
    else if (error == ENOENT)
        why += "the kernel has uinput but no device node was made (`mknod /dev/uinput c 10 223`)";
    else if (error == EACCES || error == EPERM)
        why += "no write access (root or a rule giving this user /dev/uinput)";
    return why + "; no virtual headset can be made, so the button rules are tested through a pipe only";
}

TEST(HandsetWindows, AHeadsetMadeThroughUinputIsFoundAndItsButtonsAct) {
    const int fd = open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        GTEST_SKIP() << WhyNoUinput(error);
    }
    ASSERT_EQ(ioctl(fd, UI_SET_EVBIT, EV_KEY), 0);
    for (unsigned key : {KEY_PICKUP_PHONE, KEY_HANGUP_PHONE, KEY_PHONE, KEY_MICMUTE})
        ASSERT_EQ(ioctl(fd, UI_SET_KEYBIT, key), 0);
    uinput_setup setup{};
    setup.id.bustype = BUS_USB;
    std::snprintf(setup.name, sizeof setup.name, "orv test headset");
    ASSERT_EQ(ioctl(fd, UI_DEV_SETUP, &setup), 0);
    ASSERT_EQ(ioctl(fd, UI_DEV_CREATE), 0);

    HeadsetWindow h;
    UiFixture& f = h.f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    // The device node shows up a little after its creation.
    ASSERT_TRUE(WaitFor([&] { return h.handset.UseHeadsetButtons(true) > 0; }));
    f.state = 3;
    ASSERT_TRUE(WriteEvents(fd, {Key(KEY_PICKUP_PHONE, 1), Key(SYN_REPORT, 0, EV_SYN), Key(KEY_PICKUP_PHONE, 0),
                                 Key(SYN_REPORT, 0, EV_SYN)}));
    ASSERT_TRUE(WaitFor([&] { return f.calls.size() == 1; }));
    f.state = 6;
    ASSERT_TRUE(WriteEvents(fd, {Key(KEY_HANGUP_PHONE, 1), Key(SYN_REPORT, 0, EV_SYN)}));
    ASSERT_TRUE(WaitFor([&] { return f.hangups == 1; }));
    h.handset.UseHeadsetButtons(false);
    ioctl(fd, UI_DEV_DESTROY);
    close(fd);
}

} // namespace
} // namespace orv
