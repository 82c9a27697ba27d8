// Takes the screenshot of the "Live Update" dialog while a real download runs from a real
// orvserver that offers a large file:
//   update_screenshots --home DIR --server HOST:PORT OUTPUT_FOLDER
// It must run from a program folder of its own (the files land there);
// tests/app/update_screenshots.sh prepares one and starts Xvfb and orvserver around it.
#include "client/app/qt_message_pump.h"
#include "client/core/client_core.h"
#include "client/ui/windows/update_dialog.h"
#include "platform/paths.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <memory>
#include <string>

using namespace orv;

namespace {

class Listener : public CoreListener {
public:
    void OnCoreEvent(const CoreEvent& event) override {
        if (event.name == "update_installed" || event.name == "update_checked" || event.name == "logon_complete")
            ended = true;
    }
    bool ended = false;
};

} // namespace

int main(int argc, char** argv) {
    if (!InitHomeFolder(argc, argv)) return 2;
    QApplication qt(argc, argv);
    if (argc != 4 || std::string(argv[1]) != "--server") {
        std::fprintf(stderr, "usage: update_screenshots --home DIR --server HOST:PORT OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string server = argv[2];
    const QString file = QString::fromLocal8Bit(argv[3]) + "/live_update.png";
    QtMessagePump pump;
    Listener listener;
    ClientCore core(listener);
    std::string error;
    if (!core.Start(&error)) {
        std::fprintf(stderr, "update_screenshots: %s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<UpdateDialog> dialog;
    bool shot = false;
    core.SetDownloadObserver([&](const UpdateDownloadStep& step) {
        if (step.kind == UpdateDownloadStep::List) {
            dialog = std::make_unique<UpdateDialog>(nullptr, core);
            dialog->show();
            if (!QTest::qWaitForWindowExposed(dialog.get())) std::fprintf(stderr, "update_screenshots: not shown\n");
            return;
        }
        if (!dialog || shot || step.kind != UpdateDownloadStep::Progress) return;
        dialog->OnStep(step);
        if (step.percent < 30 || step.percent > 80) return;
        qt.processEvents();
        QTest::qWait(200); // let the X server draw
        const QRect area = dialog->frameGeometry();
        const QPixmap picture =
            QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        shot = !picture.isNull() && picture.save(file, "PNG");
        std::fprintf(stderr, "%s %s at %d%%\n", shot ? "wrote" : "could not write", file.toLocal8Bit().constData(),
                     step.percent);
    });
    const auto colon = server.rfind(':');
    LogonRequest request{server.substr(0, colon), static_cast<std::uint16_t>(std::stoi(server.substr(colon + 1))),
                         "", "", 0};
    core.StartLogon(LogonMode::UpdateCheck, request);
    (void)QTest::qWaitFor([&] { return listener.ended || shot; }, 60000);
    core.SetDownloadObserver({});
    if (!shot) std::fprintf(stderr, "update_screenshots: no download in progress was seen\n");
    return shot ? 0 : 1;
}
