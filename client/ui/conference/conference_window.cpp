#include "client/ui/conference/conference_window.h"

#include "client/core/conference_control.h"
#include "client/core/core_event_fields.h"
#include "client/friends/text_format.h"
#include "client/skin/framed_window.h"
#include "client/text/text_table.h"
#include "client/ui/conference/conference_invite_dialog.h"
#include "client/ui/video/video_window_skin.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

namespace orv {

namespace {

constexpr int kTextConferencing = 330;
constexpr int kTextChairmanLeaves = 332;
constexpr int kTextMemberLeaves = 333;
constexpr int kTextNoFreeSeat = 336;
constexpr int kTextLocalPicture = 263;
constexpr int kPanesWidth = 512;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The seat of a row button's name ("KICK2" -> row 2), or -1.
int RowOfButton(const QString& name, const char* prefix) {
    const QString p = QString::fromLatin1(prefix);
    if (!name.startsWith(p) || name.size() != p.size() + 1) return -1;
    const int row = name.back().digitValue();
    return row >= 0 && row < kConfSeats ? row : -1;
}

} // namespace

ConferenceWindow::ConferenceWindow(const TextTable& texts, ConferenceControl& control, const std::string& skinFile,
                                   ConferenceWindowHooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window), texts_(texts), control_(control), skin_(ReadConferenceSkin(skinFile)),
      hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("ConferenceWindow"));
    setWindowTitle(Q(Text(kTextConferencing)));
    if (!hooks_.confirm) {
        hooks_.confirm = [this](const std::string& q) {
            return QMessageBox::question(this, windowTitle(), Q(q)) == QMessageBox::Yes;
        };
    }
    if (!hooks_.tell) hooks_.tell = [this](const std::string& t) { QMessageBox::information(this, windowTitle(), Q(t)); };
    if (!hooks_.askInvite) {
        hooks_.askInvite = [this] {
            std::vector<std::pair<std::string, std::string>> friends;
            if (hooks_.friends) friends = hooks_.friends();
            ConferenceInviteDialog dialog(this, texts_, friends);
            return dialog.exec() == QDialog::Accepted ? dialog.Number() : std::string();
        };
    }
    if (!hooks_.askDigits) {
        hooks_.askDigits = [this](const std::string& title) {
            return QInputDialog::getText(this, Q(title), Q(Text(327))).trimmed().toStdString();
        };
    }
    panel_ = new ConferencePanel(skin_, texts_, [this](const QString& name) { Command(name); }, this);
    panes_ = new ConferencePanes(this);
    panes_->SetBackground(skin_.videoBack, skin_.backColour);
    panes_->setFixedSize(kPanesWidth, skin_.PanelHeight());
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(panel_, 0, Qt::AlignTop);
    row->addWidget(panes_, 0, Qt::AlignTop);
    zoomMenu_ = new orv::ZoomMenu(
        texts_, ReadZoomCheckMark(skinFile), [this](int command) { Zoom(command); }, this);
    // The skin's frame (its description shares the conference skin file).
    FrameHooks frame;
    frame.command = [this](const QString& name) { Command(name); };
    ApplyFrameSkin(*this, skinFile, std::move(frame));
    Zoom(orv::ZoomMenu::kNormal);
    panel_->EnableButton(QStringLiteral("REQUEST"), control_.OwnRoom());
    panel_->EnableButton(QStringLiteral("INVITE"), false);
    Refresh();
}

std::string ConferenceWindow::Text(int number) const { return texts_.Text(number); }

void ConferenceWindow::Refresh() {
    const std::vector<ConfMemberRow> rows = control_.Rows();
    panel_->SetRows(rows, control_.Chairman());
    for (int pane = 1; pane < ConferencePanes::kPanes; ++pane) {
        const std::size_t row = static_cast<std::size_t>(pane - 1);
        panes_->SetMember(pane, row < rows.size() ? rows[row].endpoint : 0);
    }
    panel_->SetLog(control_.LogLines());
}

void ConferenceWindow::OnCoreEvent(const CoreEvent& event) {
    if (event.name == "conf_event") {
        const int type = EventIntField(event, "type");
        if (type == 1) panel_->EnableButton(QStringLiteral("REQUEST"), false);
        if (type == 7) {
            panel_->EnableButton(QStringLiteral("REQUEST"), false);
            panel_->EnableButton(QStringLiteral("INVITE"), control_.OwnRoom());
        }
        Refresh();
    } else if (event.name == "conf_member") {
        Refresh();
    } else if (event.name == "conf_reset") {
        panes_->Clear();
        panel_->EnableButton(QStringLiteral("REQUEST"), true);
        panel_->EnableButton(QStringLiteral("INVITE"), false);
        panel_->EnableButton(QStringLiteral("EXIT"), true);
        Refresh();
        if (EventIntField(event, "closes") != 0) Finish();
    }
}

void ConferenceWindow::Command(const QString& name) {
    std::string error;
    if (name == QLatin1String("REQUEST")) {
        if (!control_.Request(&error)) hooks_.tell(error);
    } else if (name == QLatin1String("INVITE")) {
        InviteNumber("");
    } else if (name == QLatin1String("EXIT")) {
        Leave();
    } else if (name == QLatin1String("CLOSE")) {
        close(); // leaves like "EXIT", with its question
    } else if (name == QLatin1String("ZOOM")) {
        zoomMenu_->popup(QCursor::pos());
    } else if (name == QLatin1String("CAMERA")) {
        TakeSnapshot();
    } else if (name == QLatin1String("VIDEOCONFIG")) {
        if (hooks_.openVideoOptions) hooks_.openVideoOptions(this);
    } else {
        RowCommand(name);
    }
}

void ConferenceWindow::RowCommand(const QString& name) {
    const std::vector<ConfMemberRow> rows = control_.Rows();
    std::string error;
    bool done = true;
    for (const char* prefix : {"VIDEOON", "VIDEOOFF", "KICK", "DTMF"}) {
        const int row = RowOfButton(name, prefix);
        if (row < 0) continue;
        if (static_cast<std::size_t>(row) >= rows.size()) return;
        const ConfMemberRow& r = rows[static_cast<std::size_t>(row)];
        const std::string p = prefix;
        if (p == "VIDEOON") {
            done = control_.VideoOn(r.channel, &error);
        } else if (p == "VIDEOOFF") {
            done = control_.VideoOff(r.channel, &error);
        } else if (p == "KICK") {
            done = control_.Kick(r.channel, &error);
        } else {
            const std::string digits = hooks_.askDigits(r.name == r.number ? r.number : r.name + " " + r.number);
            if (digits.empty()) return;
            done = control_.Digits(r.channel, digits, &error);
        }
        break;
    }
    if (!done && !error.empty()) hooks_.tell(error);
    Refresh();
}

void ConferenceWindow::Zoom(int command) {
    const orv::ZoomMenu::Choice* chosen = orv::ZoomMenu::Choose(command);
    if (chosen == nullptr) return;
    zoom_ = chosen->command;
    zoomMenu_->Mark(zoom_);
    const QMargins m = contentsMargins();
    const QSize edges(m.left() + m.right(), m.top() + m.bottom());
    const QSize smallest = panes_->minimumSizeHint().expandedTo(
        QSize(ConferencePanes::kPaneWidth * 2, ConferencePanes::kPaneHeight * 2));
    QSize pictures(kPanesWidth * chosen->percent / 100,
                   skin_.PanelHeight() * chosen->percent / 100);
    QRect area;
    if (chosen->percent == 0) {
        // The whole work area: the panel keeps its size, the pictures take the rest.
        const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
        if (shown == nullptr) return;
        area = shown->availableGeometry();
        pictures = area.size() - edges - QSize(panel_->width(), 0);
    }
    panes_->setFixedSize(pictures.expandedTo(smallest));
    const QSize client(panel_->width() + panes_->width(),
                       std::max(panel_->height(), panes_->height()));
    setFixedSize(client + edges);
    if (!area.isNull()) move(area.topLeft()); // otherwise the window keeps its top left corner
}

void ConferenceWindow::TakeSnapshot() {
    // The selected member's picture, titled with the member's name (else number); without
    // one, our own camera's.
    const int pane = panes_->Selected();
    if (pane >= 1 && panes_->HasPicture(pane)) {
        for (const ConfMemberRow& r : control_.Rows()) {
            if (r.endpoint == 0 || r.endpoint != panes_->Member(pane)) continue;
            VideoPicture picture = panes_->PanePicture(pane);
            if (picture.Empty()) break;
            const std::string& title = r.name.empty() ? r.number : r.name;
            ShowSnapshot(this, texts_, std::move(picture), Q(title), &snapshot_);
            return;
        }
    }
    ShowSnapshot(this, texts_, panes_->PanePicture(0), Q(Text(kTextLocalPicture)), &snapshot_);
}

void ConferenceWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        setWindowTitle(Q(Text(kTextConferencing)));
        panel_->Retranslate();
        zoomMenu_->Retranslate();
    }
    QWidget::changeEvent(event);
}

void ConferenceWindow::InviteNumber(const std::string& given) {
    // Rows fill from the top: an invitation needs one of the first three free.
    if (control_.Rows().size() >= static_cast<std::size_t>(kConfSeats - 1)) {
        hooks_.tell(Text(kTextNoFreeSeat));
        return;
    }
    const std::string number = given.empty() ? hooks_.askInvite() : given;
    if (number.empty()) return;
    std::string error;
    if (!control_.Invite(number, &error)) hooks_.tell(error);
}

void ConferenceWindow::Leave() {
    if (control_.InConference()) {
        const bool chairman = control_.Chairman();
        if (!hooks_.confirm(Text(chairman ? kTextChairmanLeaves : kTextMemberLeaves))) return;
        std::string error;
        control_.Leave(&error);
    }
    Finish();
}

void ConferenceWindow::Finish() {
    leaving_ = true;
    close();
    leaving_ = false;
    if (hooks_.closed) hooks_.closed();
}

void ConferenceWindow::closeEvent(QCloseEvent* event) {
    if (leaving_ || !control_.InConference()) {
        event->accept();
        return;
    }
    // The frame's close button leaves like "EXIT" (with its question).
    event->ignore();
    QTimer::singleShot(0, this, [this] { Leave(); });
}

} // namespace orv
