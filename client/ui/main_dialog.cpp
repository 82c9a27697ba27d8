// The main window's set-up, its buttons, keys, sliders and function menu.
#include "client/ui/main_dialog.h"

#include "client/data/call_record.h"
#include "client/data/call_record_list.h"
#include "client/data/skin_paths.h"
#include "client/friends/text_format.h"
#include "client/log/log.h"
#include "client/ui/about_box.h"
#include "client/ui/display_area.h"
#include "client/ui/function_menu.h"
#include "client/ui/skin_icons.h"
#include "client/ui/status_strip.h"
#include "client/text/text_rows.h"
#include "client/video/control/video_ctl_thread.h"
#include "client/text/server_text.h"
#include "client/core/client_core.h"
#include "client/userserver/user_serv_handler.h"
#include "platform/paths.h"
#include "platform/system.h"
#include "platform/tick.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <cstring>
#include <ctime>

namespace orv {

namespace {

constexpr int kTextTitle = 0;
constexpr int kTextOfflineCalls = 137;
constexpr int kTextMissedCalls = 138;
constexpr int kTextPlaybackVolume = 284;
constexpr int kTextRecordVolume = 285;
constexpr int kClockPeriodMs = 1000;
// A pasted number: how much clipboard text is looked at, and how many dial characters taken.
constexpr int kMaxPastedText = 256;
constexpr int kMaxPastedDigits = 32;
// Slider positions as the mixer takes them (0..255) from the skin slider's 0..100.
constexpr int kMixerMaximum = 255;

struct TipEntry {
    const char* control;
    int text;
};
constexpr TipEntry kTips[] = {
    {"BUTTON_CLOSE", 277}, {"BUTTON_MIN", 278},    {"BUTTON_LINK", 279},
    {"BUTTON_FRIEND", 280}, {"BUTTON_RECALL", 32}, {"BUTTON_CALL", 219},
    {"BUTTON_ENDCALL", 281}, {"BUTTON_FUNC", 282}, {"BUTTON_CALLRECORD", 283},
    {"BUTTON_DIALPAD", kTextDialPad},
};

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

MainDialog::MainDialog(ClientCore& core, MainServices services, const std::string& home)
    : core_(core), services_(std::move(services)), home_(home), volumes_(core.Config()) {
    setObjectName(QStringLiteral("MainDialog"));
    setWindowTitle(Q(Text(kTextTitle)));
    setFocusPolicy(Qt::StrongFocus);
    const QIcon icon = SkinIcon(SkinFolderPath(home_, SkinWindow::Main), "Program");
    if (!icon.isNull()) setWindowIcon(icon);
    const std::string skinFile = SkinFilePath(home_, SkinWindow::Main);
    BuildControls(skinFile);
    BuildDialPad(skinFile);
    SetTips();
    // Help opens the user manual; without one the button looks as unusable as it is.
    if (QWidget* help = Control(QStringLiteral("BUTTON_HELP"))) help->setEnabled(CommandAvailable(kCmdUserManual));
    dock_.Attach(this, CDockManager::kLeader);
    SetButtonHandler([this](const QString& name) { OnButton(name); });
    SetSliderHandler([this](const QString& name, int value) { OnSlider(name, value); });
    StartSlidersFromMixer();
    if (core_.UserServ() != nullptr) serverInfo_ = core_.UserServ()->GetCustomName();

    connect(&clockTimer_, &QTimer::timeout, this, [this] { Refresh(); });
    clockTimer_.start(kClockPeriodMs);
    CreateTrayIcon();
    // The desktop notification's buttons answer or decline as the window's buttons do.
    alert_ = std::make_unique<IncomingAlert>(core_.Texts(), [this](bool answer) {
        if (!answer) return HangUp();
        RestoreFromTray();
        CallOrAccept();
    });
    video_ = std::make_unique<MainVideo>(*this, core_.Texts(), home_, services_.video);
    dock_.AddNeighbour(&video_->Window());
    video_->Window().Dock().AddNeighbour(this);
    ClientWindowsServices windows;
    windows.callState = [this] { return CallState(); };
    windows.dial = [this](const std::string& number) { Dial(number); };
    windows.videoControl = services_.video.control;
    windows.handsetPresent = services_.handsetPresent;
    windows.refreshMain = [this] { Refresh(); };
    const std::string iconFolder = SkinFolderPath(home_, SkinWindow::Main);
    windows.icon = [iconFolder](const char* name) { return SkinIcon(iconFolder, name); };
    windows.silenceTones = [this] { SilenceTones(); };
    windows.applyConfiguration = [this] {
        ApplySoundDevice();
        if (services_.handsetConfiguration) services_.handsetConfiguration();
        if (services_.video.control != nullptr && CallState() == 0) services_.video.control->StartFromConfiguration();
    };
    windows.canInvite = [this] { return conference_ && conference_->CanInvite(); };
    windows.invite = [this](const std::string& number) { conference_->Invite(number); };
    windows_ = std::make_unique<ClientWindows>(*this, core_, std::move(windows));
    MainConferenceServices conference;
    conference.attachDisplay = services_.video.attachDisplay;
    conference.videoDisplay = [this] { return video_->Window().Display().FrameWindow(); };
    conference.window = services_.conference;
    if (!conference.window.openVideoOptions)
        conference.window.openVideoOptions = [this](QWidget* parent) {
            video_->OpenOptions(parent);
        };
    conference_ = std::make_unique<MainConference>(*this, core_, home_, std::move(conference));
    Refresh();
}

MainDialog::~MainDialog() = default;

void MainDialog::changeEvent(QEvent* event) {
    // The language changed: every text of the window is taken again.
    if (event->type() == QEvent::LanguageChange) {
        setWindowTitle(Q(Text(kTextTitle)));
        SetTips();
        if (tray_) tray_->Retranslate();
        Refresh();
    }
    SkinnedWindow::changeEvent(event);
}

std::vector<PlainControl> MainDialog::PlainControls() const {
    std::vector<PlainControl> plain;
    for (const TipEntry& tip : kTips) plain.push_back({PlainControl::Button, tip.control, Q(Text(tip.text))});
    plain.push_back({PlainControl::Slider, "TRACKBAR_PLAY", Q(Text(kTextPlaybackVolume))});
    plain.push_back({PlainControl::Slider, "TRACKBAR_RECORD", Q(Text(kTextRecordVolume))});
    return plain;
}

void MainDialog::SetTips() {
    for (const TipEntry& tip : kTips) SetButtonTip(tip.control, Text(tip.text));
}

void MainDialog::SetButtonTip(const char* name, const std::string& tip) {
    if (QWidget* control = Control(QString::fromLatin1(name))) control->setToolTip(Q(tip));
}

std::uint32_t MainDialog::Now() const { return services_.tick ? services_.tick() : GetTickCount(); }

std::string MainDialog::Text(int number) const { return core_.Texts().Text(number); }

int MainDialog::CallState() const { return services_.callState ? services_.callState() : 0; }

std::string MainDialog::DefaultLine() const {
    int offline = 0;
    int missed = 0;
    if (CallRecordList* records = core_.Records()) {
        offline = records->CountUnseen(kOfflineCall);
        missed = records->CountUnseen(kMissedCall);
    }
    return DefaultMessageLine(offline, missed, Text(offline == 1 ? kTextOfflineCalls : kTextOfflineCallsPlural),
                              Text(missed == 1 ? kTextMissedCalls : kTextMissedCallsPlural), serverInfo_,
                              core_.Texts().Language());
}

void MainDialog::Refresh() {
    const std::uint32_t now = Now();
    std::time_t seconds = std::time(nullptr);
    std::tm local{};
    localtime_r(&seconds, &local);
    if (time_) time_->SetText(Q(clock_.Text(now, local)));
    if (message_) {
        message_->SetText(Q(line_.Text(now, DefaultLine())));
        message_->SetEntry(NumberFieldLook(), Q(Text(kTextNumberHint)));
    }
    if (forwardMark_) forwardMark_->setVisible(Forwarding());
    const bool onLine = OnLine();
    WatchConnection(onLine);
    const QString own = Q(core_.UserServ() ? core_.UserServ()->GetUserNumber() : std::string());
    if (status_) status_->SetState(own, onLine, Q(Text(onLine ? kTextOnLine : kTextOffLine)));
    if (tray_) tray_->SetState(own, onLine);
}

DisplayArea::Entry MainDialog::NumberFieldLook() const {
    // The message area is the number field only while idle, and only while it shows the
    // number (a volume or call outcome over it hides the cursor).
    if (closing_ || CallState() != kKeyStateIdle) return DisplayArea::Entry::None;
    if (entry_.Number().empty()) return DisplayArea::Entry::Hint;
    return message_->Text() == Q(entry_.Number()) ? DisplayArea::Entry::Number : DisplayArea::Entry::None;
}

bool MainDialog::OnLine() const { return !services_.onLine || services_.onLine(); }

QString MainDialog::StatusText() const { return status_ ? status_->Text() : QString(); }

QString MainDialog::MessageAreaText() const { return message_ ? message_->Text() : QString(); }
QString MainDialog::TimeAreaText() const { return time_ ? time_->Text() : QString(); }

void MainDialog::OnButton(const QString& name) {
    if (name == QLatin1String("BUTTON_FUNC")) {
        OpenFunctionMenu();
    } else if (name == QLatin1String("BUTTON_CALL")) {
        CallOrAccept();
    } else if (name == QLatin1String("BUTTON_RECALL")) {
        Redial();
    } else if (name == QLatin1String("BUTTON_ENDCALL")) {
        HangUp();
    } else if (name == QLatin1String("BUTTON_MIN")) {
        HideToTray();
    } else if (name == QLatin1String("BUTTON_CLOSE")) {
        ConfirmClose();
    } else if (name == QLatin1String("BUTTON_LINK")) {
        const std::string url = core_.UserServ() ? core_.UserServ()->GetBMSURL() : std::string();
        if (!url.empty()) {
            const bool opened = services_.openDocument ? services_.openDocument(url) : ShellOpenDocument(url);
            if (!opened) {
                WriteLog(3, "MainDialog: cannot open %s", url.c_str());
                line_.ShowBriefly(FillText(Text(kTextCannotOpen), {url}), Now(), kCallOutcomeMs);
                Refresh();
            }
        }
    } else if (name == QLatin1String("BUTTON_FRIEND")) {
        OnCommand(kCmdAddressBook);
    } else if (name == QLatin1String("BUTTON_CALLRECORD")) {
        OnCommand(kCmdCallLists);
    } else if (name == QLatin1String("BUTTON_OWNVIDEO")) {
        video_->Show();
    } else if (name == QLatin1String("BUTTON_HELP")) {
        OnCommand(kCmdUserManual);
    } else if (name == QLatin1String("BUTTON_DIALPAD")) {
        ShowDialPad(!DialPadShown());
    }
}

void MainDialog::StartSlidersFromMixer() {
    if (!volumes_.Open()) return;
    const std::pair<const char*, VolumeLine> sliders[] = {{"TRACKBAR_PLAY", VolumeLine::Playback},
                                                          {"TRACKBAR_RECORD", VolumeLine::Record}};
    for (const auto& [name, line] : sliders) {
        const int value = volumes_.SliderValue(line);
        if (SkinSlider* slider = Slider(QString::fromLatin1(name)); slider != nullptr && value >= 0)
            slider->SetValue(value);
    }
}

void MainDialog::OnSlider(const QString& name, int value) {
    const bool playback = name == QLatin1String("TRACKBAR_PLAY");
    int position = volumes_.Move(playback ? VolumeLine::Playback : VolumeLine::Record, value);
    if (position < 0) position = value * kMixerMaximum / SkinSlider::kMaximum; // no mixer: shown all the same
    const int textNumber = playback ? kTextPlaybackVolume : kTextRecordVolume;
    line_.ShowVolume(FillText(Text(textNumber), {std::to_string(position * 100 / kMixerMaximum)}), Now());
    Refresh();
    QTimer::singleShot(static_cast<int>(kVolumeTextMs), this, [this] { Refresh(); });
}

bool MainDialog::CommandAvailable(int command) const {
    switch (command) {
    case kCmdExit:
    case kCmdAbout: return true;
    case kCmdConference: return conference_ && conference_->Control() != nullptr;
    case kCmdUserManual: return QFileInfo::exists(Q(JoinPath(ProgramFolder(), "Help.chm")));
    default:
        if (windows_ && windows_->Handles(command)) return true; // support entries; the other windows come with later work
        return command >= kCmdFirstSupport &&
               static_cast<std::size_t>(command - kCmdFirstSupport) < SupportEntries().size();
    }
}

void MainDialog::OnCommand(int command) {
    if (!CommandAvailable(command)) return;
    if (windows_->Open(command)) return;
    if (command == kCmdExit) {
        ConfirmClose();
    } else if (command == kCmdConference) {
        conference_->Open();
    } else if (command == kCmdAbout) {
        ShowAbout();
    } else if (command == kCmdUserManual) {
        ShellOpenDocument(JoinPath(ProgramFolder(), "Help.chm"));
    } else if (command >= kCmdFirstSupport) {
        Dial(SupportEntryNumber(SupportEntries()[static_cast<std::size_t>(command - kCmdFirstSupport)]));
    }
}

std::vector<SupportEntry> MainDialog::SupportEntries() const {
    return core_.UserServ() ? core_.UserServ()->GetSupportInfo() : std::vector<SupportEntry>();
}

void MainDialog::OpenFunctionMenu() {
    FunctionMenuContent content;
    content.available = [this](int command) { return CommandAvailable(command); };
    content.run = [this](int command) { OnCommand(command); };
    for (const SupportEntry& entry : SupportEntries()) {
        content.supportEntries.push_back(ServerTextForLanguage(SupportEntryText(entry), core_.Texts().Language()));
    }
    const std::string folder = SkinFolderPath(home_, SkinWindow::Main);
    content.icon = [folder](const char* name) { return SkinIcon(folder, name); };
    QMenu* menu = BuildFunctionMenu(this, core_.Texts(), content);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(QCursor::pos());
}

void MainDialog::ShowAbout() {
    // A second request while it is open brings it to the front.
    if (about_) {
        about_->raise();
        about_->activateWindow();
        return;
    }
    const std::string logo = JoinPath(SkinFolderPath(home_, SkinWindow::Main), "Logo.bmp");
    auto* box = new AboutBox(this, core_.Texts(), logo);
    box->setAttribute(Qt::WA_DeleteOnClose);
    about_ = box;
    box->show();
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste) ||
        (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier)) {
        PasteDigits();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: CallOrAccept(); return;
    case Qt::Key_Escape: ShowDialPad(false); return;
    case Qt::Key_Backspace: Backspace(); return;
    default: break;
    }
    const QString text = event->text();
    if (text.size() == 1 && text[0].unicode() < 0x80 && text[0].isPrint()) {
        TypeKey(static_cast<char>(text[0].unicode()));
        return;
    }
    SkinnedWindow::keyPressEvent(event);
}

void MainDialog::TypeKey(char c) {
    PlayTone(entry_.Type(c, CallState()));
    const bool talking = entry_.HasDtmf();
    if (talking && services_.sendDtmf) services_.sendDtmf(entry_.TakeDtmf());
    // While talking the digits show for a moment and the call's own line comes back.
    if (talking) {
        line_.ShowOver(entry_.Number(), Now());
    } else if (CallState() == kKeyStateIdle) {
        line_.Show(entry_.Number());
    }
    Refresh();
}

void MainDialog::PasteDigits() {
    // The clipboard is anyone's text: only dial characters are taken, and no more than a
    // number holds.
    const QString text = QGuiApplication::clipboard()->text().left(kMaxPastedText);
    int taken = 0;
    for (const QChar c : text) {
        if (taken == kMaxPastedDigits) break;
        const char key = c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '\0';
        if (KeyTone(key).empty()) continue;
        TypeKey(key);
        ++taken;
    }
}

void MainDialog::Backspace() {
    PlayTone(entry_.Backspace(CallState()));
    if (CallState() == kKeyStateIdle) line_.Show(entry_.Number());
    Refresh();
}

QImage MainDialog::Screenshot() {
    const QImage drawn = grab().toImage();
    if (mask().isEmpty()) return drawn;
    QImage shot(drawn.size(), QImage::Format_ARGB32);
    shot.fill(Qt::transparent);
    QPainter painter(&shot);
    // At a scale factor above 1 the picture has more pixels than the window; the shape
    // is in window pixels.
    const qreal scale = qreal(drawn.width()) / width();
    painter.scale(scale, scale);
    painter.setClipRegion(mask());
    painter.drawImage(QRectF(0, 0, width(), height()), drawn);
    return shot;
}

} // namespace orv
