// Takes the screenshot of the account dialog from a real X server (Xvfb), logged on at a
// real orvserver whose subscriber 8001 has a balance:
//   account_screenshots --home DIR --server HOST:PORT OUTPUT_FOLDER
// tests/app/account_screenshots.sh starts Xvfb and orvserver around it.
#include "client/app/qt_message_pump.h"
#include "client/core/client_core.h"
#include "client/ui/windows/account_dialog.h"
#include "platform/paths.h"

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <string>

using namespace orv;

namespace {

class Listener : public CoreListener {
public:
    void OnCoreEvent(const CoreEvent& event) override {
        if (event.name == "logon_complete") loggedOn = true;
        if (dialog != nullptr) dialog->OnCoreEvent(event);
    }
    bool loggedOn = false;
    AccountDialog* dialog = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    if (!InitHomeFolder(argc, argv)) return 2;
    QApplication qt(argc, argv);
    if (argc != 4 || std::string(argv[1]) != "--server") {
        std::fprintf(stderr, "usage: account_screenshots --home DIR --server HOST:PORT OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string server = argv[2];
    QtMessagePump pump;
    Listener listener;
    ClientCore core(listener);
    std::string error;
    if (!core.Start(&error)) {
        std::fprintf(stderr, "account_screenshots: %s\n", error.c_str());
        return 1;
    }
    const auto colon = server.rfind(':');
    core.Logon(server.substr(0, colon), static_cast<std::uint16_t>(std::stoi(server.substr(colon + 1))), "8001",
               "1111");
    if (!QTest::qWaitFor([&] { return listener.loggedOn; }, 20000)) {
        std::fprintf(stderr, "account_screenshots: no logon\n");
        return 1;
    }
    AccountDialog dialog(nullptr, core);
    listener.dialog = &dialog;
    dialog.show();
    auto* balance = dialog.findChild<QLineEdit*>("AccountBalance");
    if (!QTest::qWaitForWindowExposed(&dialog) || !QTest::qWaitFor([&] { return !balance->text().isEmpty(); }, 20000)) {
        std::fprintf(stderr, "account_screenshots: no balance shown\n");
        return 1;
    }
    QTest::keyClicks(dialog.findChild<QLineEdit*>("AccountCard"), "6011*2045");
    QTest::keyClicks(dialog.findChild<QLineEdit*>("AccountCardPassword"), "card-pw");
    QTest::qWait(300); // let the X server draw
    const QRect area = dialog.frameGeometry();
    const QString file = QString::fromLocal8Bit(argv[3]) + "/account.png";
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const bool ok = !shot.isNull() && shot.save(file, "PNG");
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "could not write", file.toLocal8Bit().constData());
    listener.dialog = nullptr;
    return ok ? 0 : 1;
}
