// Takes the screenshots of the splash and the logon dialog from a real X server (Xvfb):
//   app_screenshots --home DIR --server HOST:PORT OUTPUT_FOLDER
// tests/app/take_screenshots.sh starts Xvfb and orvserver around it.
#include "client/app/logon_dialog.h"
#include "client/app/qt_message_pump.h"
#include "client/app/splash_window.h"
#include "client/data/client_config.h"
#include "client/core/client_core.h"
#include "client/core/handset_core.h"
#include "client/data/user_list_file.h"
#include "tests/handset/handset_bench.h"
#include "platform/paths.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <string>

using namespace orv;

namespace {

class NoListener : public CoreListener {
public:
    void OnCoreEvent(const CoreEvent&) override {}
};

bool Save(const QRect& area, const QString& file) {
    QTest::qWait(300); // let the X server draw
    QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    bool ok = !shot.isNull() && shot.save(file, "PNG");
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "could not write", file.toLocal8Bit().constData());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (!InitHomeFolder(argc, argv)) return 2;
    QApplication qt(argc, argv);
    if (argc != 4 || std::string(argv[1]) != "--server") {
        std::fprintf(stderr, "usage: app_screenshots --home DIR --server HOST:PORT OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string server = argv[2];
    const QString out = QString::fromLocal8Bit(argv[3]);
    QtMessagePump pump;
    NoListener listener;
    ClientCore core(listener);
    std::string error;
    if (!core.Start(&error) || !core.Config()->UnpackSkinData(&error)) {
        std::fprintf(stderr, "app_screenshots: %s\n", error.c_str());
        return 1;
    }
    ClientConfig& config = *core.Config();
    config.UserServer().address = server.substr(0, server.rfind(':'));
    config.UserServer().port = std::stoi(server.substr(server.rfind(':') + 1));
    config.StoreUser("8001", "", false);
    const QString logo = QString::fromStdString(JoinPath(config.SkinFolder(SkinWindow::Main), "Logo.bmp"));
    int status = 0;
    {
        SplashWindow splash(core, logo, false);
        splash.show();
        if (!QTest::qWaitForWindowExposed(&splash)) std::fprintf(stderr, "the splash was not shown\n");
        if (!Save(splash.frameGeometry(), out + "/splash.png")) status = 1;

        LogonDialog logon(&splash, core);
        logon.open();
        auto* ok = logon.findChild<QPushButton*>("LogonOk");
        // The input opens after the update check and the wait.
        if (!QTest::qWaitFor([ok] { return ok->isEnabled(); }, 20000)) std::fprintf(stderr, "input stayed closed\n");
        auto* password = logon.findChild<QLineEdit*>("LogonPassword");
        password->setFocus();
        QTest::keyClicks(password, "1111");
        QRect area = splash.frameGeometry().united(logon.frameGeometry());
        if (!Save(area, out + "/logon.png")) status = 1;
        logon.reject();
    }
    {
        // A handset bound to 8003 (the script plugs it in through handsetctl): its number
        // fills the number box, which cannot be changed, and the password is typed.
        if (!WriteHandsetMemory(JoinPath(HomeFolder(), "handset_memory.bin"), 0x5A, 0x00C0FFEE, "8003"))
            status = 1;
        HandsetCore handset(core, HandsetWindow{});
        LogonDialog logon(nullptr, core, &handset);
        logon.open();
        auto* number = logon.findChild<QComboBox*>("LogonNumber");
        if (!QTest::qWaitFor([&] { return handset.Data().ready && number->currentText() == "8003"; }, 30000))
            std::fprintf(stderr, "the handset's number did not come\n");
        auto* password = logon.findChild<QLineEdit*>("LogonPassword");
        password->setFocus();
        QTest::keyClicks(password, "3333");
        if (!Save(logon.frameGeometry(), out + "/logon-handset.png")) status = 1;
        logon.reject();
    }
    config.RemoveSkinTree();
    return status;
}
