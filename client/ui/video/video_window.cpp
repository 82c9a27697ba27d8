#include "client/ui/video/video_window.h"

#include "client/skin/framed_window.h"
#include "client/text/text_table.h"
#include "client/ui/video/snapshot_dialog.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QToolButton>

namespace orv {

namespace {

constexpr int kTextVideo = 188;
constexpr int kTextZoom = 303;
constexpr int kTextOpenSmall = 304;
constexpr int kTextCloseSmall = 305;
constexpr int kTextLocalVideo = 306;
constexpr int kTextRemoteVideo = 307;
constexpr int kTextCamera = 308;
constexpr int kTextResume = 309;
constexpr int kTextPause = 310;
constexpr int kTextVideoOptions = 311;
constexpr int kTextLocalPicture = 263;
constexpr int kTextRemotePicture = 264;
constexpr int kButtonSize = 24;

// The buttons in the order the bar shows them, with their fixed tooltips (0: it changes).
struct ButtonEntry {
    const char* name;
    int tip;
};
constexpr ButtonEntry kButtons[] = {
    {"ZOOM", kTextZoom},         {"SMALLVIDEO", 0},         {"VIDEOSWITCH", 0},
    {"CAMERA", kTextCamera},     {"PAUSE", kTextPause},     {"PLAY", kTextResume},
    {"VIDEOCONFIG", kTextVideoOptions},
};

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

VideoWindow::VideoWindow(const TextTable& texts, const std::string& skinFile, QWidget* parent)
    : QWidget(parent, Qt::Window), texts_(texts), skin_(ReadVideoWindowSkin(skinFile)) {
    setObjectName(QStringLiteral("VideoWindow"));
    setWindowTitle(Q(Text(kTextVideo)));
    bar_ = new QWidget(this);
    display_ = new VideoDisplayWindow(this);
    display_->SetLooks(skin_.display);
    BuildButtons();
    zoomMenu_ = new orv::ZoomMenu(
        texts_, skin_.checkMark, [this](int command) { Zoom(command); }, this);
    FrameHooks frameHooks;
    frameHooks.command = [this](const QString& name) { Command(name); };
    frameHooks.sizingBegins = [this](int edge) { dock_.OnSizingBegins(edge); };
    frameHooks.moveByTitle = false; // the docking manager moves it
    frame_ = ApplyFrameSkin(*this, skinFile, std::move(frameHooks));
    if (frame_ != nullptr) TakeFrameButtons();
    dock_.Attach(this, CDockManager::kFollower);
    setMinimumSize(WindowSizeFor(MinimumClientSize(skin_.metrics)));
    Zoom(kZoomNormal);
    Reset();
}

VideoWindow::~VideoWindow() = default;

std::string VideoWindow::Text(int number) const { return texts_.Text(number); }

void VideoWindow::BuildButtons() {
    for (const ButtonEntry& entry : kButtons) {
        const QString name = QString::fromLatin1(entry.name);
        auto* button = new QToolButton(bar_);
        button->setObjectName(name);
        button->setAutoRaise(true);
        button->setFixedSize(kButtonSize + 4, kButtonSize + 4);
        button->setText(name.left(1));
        for (const VideoWindowButton& skinned : skin_.buttons) {
            if (skinned.name != name || skinned.looks.isNull()) continue;
            const int lookWidth = skinned.looks.width() / skinned.lookCount;
            button->setIcon(QIcon(QPixmap::fromImage(skinned.looks.copy(0, 0, lookWidth, skinned.looks.height()))));
            button->setIconSize(QSize(kButtonSize, kButtonSize));
        }
        if (entry.tip != 0) button->setToolTip(Q(Text(entry.tip)));
        connect(button, &QToolButton::clicked, this, [this, name] { Command(name); });
        buttons_[name] = button;
    }
    int x = 4;
    for (const ButtonEntry& entry : kButtons) {
        QToolButton* button = buttons_[QString::fromLatin1(entry.name)];
        button->move(x, 1);
        // Play and Pause share a place: only one of them shows.
        if (std::string(entry.name) != "PAUSE") x += kButtonSize + 6;
    }
}

void VideoWindow::TakeFrameButtons() {
    bool rowEmpty = true;
    for (const ButtonEntry& entry : kButtons) {
        const QString name = QString::fromLatin1(entry.name);
        QToolButton* titled = frame_->Button(name);
        if (titled == nullptr) {
            rowEmpty = false;
            continue;
        }
        delete buttons_[name];
        buttons_[name] = titled;
        if (entry.tip != 0) titled->setToolTip(Q(Text(entry.tip)));
    }
    for (const char* name : {"CLOSE", "RESTORE"}) {
        if (QToolButton* titled = frame_->Button(QString::fromLatin1(name))) buttons_[QString::fromLatin1(name)] = titled;
    }
    if (rowEmpty) {
        bar_->hide();
        barHeight_ = 0;
    }
}

QSize VideoWindow::WindowSizeFor(QSize picture) const {
    const QMargins frame = contentsMargins();
    return picture + QSize(frame.left() + frame.right(), frame.top() + frame.bottom() + barHeight_);
}

QToolButton* VideoWindow::Button(const QString& name) const {
    const auto it = buttons_.find(name);
    return it == buttons_.end() ? nullptr : it->second;
}

void VideoWindow::Command(const QString& name) {
    if (name == QLatin1String("ZOOM")) {
        zoomMenu_->popup(QCursor::pos());
    } else if (name == QLatin1String("SMALLVIDEO")) {
        SetLayout(!display_->SmallOpen(), display_->LocalBig());
    } else if (name == QLatin1String("VIDEOSWITCH")) {
        SetLayout(display_->SmallOpen(), !display_->LocalBig());
    } else if (name == QLatin1String("CAMERA")) {
        TakeSnapshot();
    } else if (name == QLatin1String("PAUSE")) {
        SetPaused(true);
    } else if (name == QLatin1String("PLAY")) {
        SetPaused(false);
    } else if (name == QLatin1String("VIDEOCONFIG")) {
        if (hooks_.openVideoOptions) hooks_.openVideoOptions(this);
    } else if (name == QLatin1String("CLOSE")) {
        hide();
    } else if (name == QLatin1String("RESTORE")) {
        Zoom(kZoomNormal);
    }
}

void VideoWindow::Zoom(int command) {
    const orv::ZoomMenu::Choice* chosen = orv::ZoomMenu::Choose(command);
    if (chosen == nullptr) return;
    zoom_ = chosen->command;
    zoomMenu_->Mark(zoom_);
    if (chosen->percent == 0) {
        const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
        if (shown) setGeometry(shown->availableGeometry());
        PlaceChildren();
        return;
    }
    // The window keeps its top left corner.
    resize(WindowSizeFor(ZoomedClientSize(skin_.metrics, chosen->percent)));
    PlaceChildren(); // a hidden window gets its resize event only when shown
}

QRect VideoWindow::PictureArea() const {
    const QRect inside = contentsRect();
    const QSize client(inside.width(), inside.height() - barHeight_);
    return PictureRect(skin_.metrics, client).translated(inside.left(), inside.top() + barHeight_);
}

void VideoWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceChildren();
}

void VideoWindow::PlaceChildren() {
    const QRect inside = contentsRect();
    bar_->setGeometry(inside.left(), inside.top(), inside.width(), barHeight_);
    display_->setGeometry(PictureArea());
}

void VideoWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect inside = contentsRect();
    painter.fillRect(inside, skin_.display.backColour);
    if (barHeight_ > 0) painter.fillRect(QRect(inside.topLeft(), QSize(inside.width(), barHeight_)), palette().window());
}

void VideoWindow::VideoOn() {
    SetPaused(false);
    SetLayout(true, false);
    display_->ClearRemote();
}

void VideoWindow::Reset() {
    SetPaused(false);
    SetLayout(false, true);
    display_->ClearRemote();
    display_->SetPauseIcon(false);
}

void VideoWindow::SetPeerPaused(bool paused) { display_->SetPauseIcon(paused); }

void VideoWindow::SetLayout(bool smallOpen, bool localBig) {
    display_->SetLayout(smallOpen, localBig);
    UpdateTips();
}

void VideoWindow::SetPaused(bool paused) {
    sendingPaused_ = paused;
    buttons_[QStringLiteral("PAUSE")]->setVisible(!paused);
    buttons_[QStringLiteral("PLAY")]->setVisible(paused);
    if (hooks_.setSendingPaused) hooks_.setSendingPaused(paused);
}

void VideoWindow::UpdateTips() {
    buttons_[QStringLiteral("SMALLVIDEO")]->setToolTip(
        Q(Text(display_->SmallOpen() ? kTextCloseSmall : kTextOpenSmall)));
    buttons_[QStringLiteral("VIDEOSWITCH")]->setToolTip(
        Q(Text(display_->LocalBig() ? kTextRemoteVideo : kTextLocalVideo)));
}

void VideoWindow::TakeSnapshot() {
    VideoDisplayWindow::Snapshot shot = display_->TakeSnapshot();
    const int caption = shot.local ? kTextLocalPicture : kTextRemotePicture;
    ShowSnapshot(this, texts_, std::move(shot.picture), Q(Text(caption)), &snapshot_);
}

void VideoWindow::DockBeside(const QWidget& main) {
    const QScreen* shown = main.screen() ? main.screen() : QGuiApplication::primaryScreen();
    if (shown == nullptr) return;
    move(orv::DockBeside(main.frameGeometry(), frameGeometry().size(), shown->availableGeometry()));
}

void VideoWindow::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString text = event->text();
    const bool printable = text.size() == 1 && text[0].isPrint();
    if ((enter || printable) && hooks_.keyTarget) {
        QKeyEvent copy(event->type(), event->key(), event->modifiers(), text);
        QCoreApplication::sendEvent(hooks_.keyTarget, &copy);
        return;
    }
    if (event->key() == Qt::Key_Escape) return;
    QWidget::keyPressEvent(event);
}

void VideoWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides it; the main window owns it until the program ends.
    hide();
    event->ignore();
}

} // namespace orv
