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
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <memory>
#include <optional>
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
    const QString file = QString::fromLocal8Bit(argv[3]) + "/update-download.png";
    QtMessagePump pump;
    Listener listener;
    ClientCore core(listener);
    std::string error;
    if (!core.Start(&error)) {
        std::fprintf(stderr, "update_screenshots: %s\n", error.c_str());
        return 1;
    }
    // The first step near half the file is held: later steps leave the dialog alone,
    // so the picture shows that step whatever the download does meanwhile.
    std::unique_ptr<UpdateDialog> dialog;
    std::optional<UpdateDownloadStep> held;
    core.SetDownloadObserver([&](const UpdateDownloadStep& step) {
        if (step.kind == UpdateDownloadStep::List && !dialog) {
            dialog = std::make_unique<UpdateDialog>(nullptr, core);
            dialog->show();
        }
        if (!dialog || held || step.kind != UpdateDownloadStep::Progress) return;
        dialog->OnStep(step);
        if (step.percent >= 45 && step.received < step.expected) held = step;
    });
    const auto colon = server.rfind(':');
    LogonRequest request{server.substr(0, colon), static_cast<std::uint16_t>(std::stoi(server.substr(colon + 1))),
                         "", "", 0};
    core.StartLogon(LogonMode::UpdateCheck, request);
    if (!QTest::qWaitFor([&] { return listener.ended || held; }, 60000) || !held) {
        std::fprintf(stderr, "update_screenshots: no download in progress was seen\n");
        return 1;
    }
    // Shown, framed by the window manager, and telling the held step.
    auto* status = dialog->findChild<QLabel*>("UpdateStatus");
    const bool ready = QTest::qWaitForWindowExposed(dialog.get(), 20000) && QTest::qWaitFor([&] {
        return dialog->frameGeometry() != dialog->geometry() &&
               status->text().endsWith(QString::fromStdString(held->file)) && dialog->Percent() == held->percent;
    }, 20000);
    core.SetDownloadObserver({});
    if (!ready) {
        std::fprintf(stderr, "update_screenshots: the dialog was not shown\n");
        return 1;
    }
    dialog->repaint();
    QTest::qWait(300); // the window manager draws the frame on its own connection
    const QRect area = dialog->frameGeometry();
    const QPixmap picture =
        QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const bool shot = !picture.isNull() && picture.save(file, "PNG");
    std::fprintf(stderr, "%s %s at %d%% (%u of %u bytes)\n", shot ? "wrote" : "could not write",
                 file.toLocal8Bit().constData(), held->percent, held->received, held->expected);
    return shot ? 0 : 1;
}
