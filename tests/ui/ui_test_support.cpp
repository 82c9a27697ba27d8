#include "tests/ui/ui_test_support.h"

#include "client/app/qt_message_pump.h"
#include "client/data/skin_paths.h"
#include "client/data/skin_unpack.h"
#include "client/ui/skin_message_box.h"
#include "platform/paths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace orv {

namespace {

// One QApplication and one message pump per test program, on Qt's offscreen platform
// unless the run asks for a real display (screenshots under Xvfb).
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
        pump_ = std::make_unique<QtMessagePump>();
    }
    void TearDown() override {
        pump_.reset();
        app_.reset();
    }

private:
    int argc_ = 1;
    char name_[9] = "ui_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QtMessagePump> pump_;
};

const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

void EventRelay::OnCoreEvent(const CoreEvent& event) {
    events.push_back(event);
    if (window == nullptr) return;
    window->OnCoreEvent(event);
    if (event.name == "call_progress") shownLines.push_back(window->MessageAreaText());
}

bool EventRelay::Shown(const QString& prefix) const {
    for (const QString& line : shownLines) {
        if (line.startsWith(prefix)) return true;
    }
    return false;
}

bool EventRelay::Seen(const std::string& name) const {
    for (const CoreEvent& e : events) {
        if (e.name == name) return true;
    }
    return false;
}

UiFixture::UiFixture(bool withSkin) {
    if (!home_.isValid()) {
        error_ = "no temporary folder";
        return;
    }
    SetHomeFolder(Home());
    if (withSkin) {
        const std::string root = JoinPath(Home(), kSkinRootFolder);
        for (const char* archive : {kMainSkinArchive, kConferenceSkinArchive}) {
            if (!UnpackSkinArchive(std::string(ORV_SKIN_ARCHIVE_DIR) + "/" + archive, root, &error_)) return;
        }
    }
    core_ = std::make_unique<ClientCore>(relay_);
    ready_ = core_->Start(&error_);
}

UiFixture::~UiFixture() {
    relay_.window = nullptr;
    window_.reset();
    core_.reset();
}

MainDialog& UiFixture::Window() { return window_ ? *window_ : Window(Services()); }

MainDialog& UiFixture::Window(MainServices services) {
    relay_.window = nullptr;
    window_ = std::make_unique<MainDialog>(*core_, std::move(services), Home());
    relay_.window = window_.get();
    return *window_;
}

void UiFixture::Emit(const std::string& name, std::vector<std::pair<std::string, std::string>> fields,
                     const std::string& text) {
    core_->Emit(CoreEvent{name, std::move(fields), "", text});
}

MainServices UiFixture::Services() {
    MainServices s;
    s.callState = [this] { return state; };
    s.callOrAnswer = [this](const std::string& text) {
        calls.push_back(text);
        return true;
    };
    s.endTalk = [this] { ++hangups; };
    s.sendDtmf = [this](const std::string& digits) { dtmf.push_back(digits); };
    s.playTone = [this](const std::string& tone, bool) { tones.push_back(tone); };
    s.reconnect = [this] {
        ++reconnects;
        return reconnectResult;
    };
    s.openDocument = [](const std::string&) { return true; };
    s.tick = [this] { return tick; };
    return s;
}

void AnswerNextMessageBox(bool ok, QString* text, int timeoutMs) {
    auto* timer = new QTimer();
    auto* clock = new QElapsedTimer();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, ok, text, timeoutMs] {
        auto* box = dynamic_cast<SkinMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr && clock->elapsed() < timeoutMs) return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (box == nullptr) return;
        if (text != nullptr) *text = box->Text();
        if (auto* button = box->findChild<QPushButton*>(ok ? "ok" : "cancel")) button->click();
    });
    timer->start(20);
}

} // namespace orv
