#include "client/ui/conference/conference_window.h"

#include "client/core/conference_control.h"
#include "client/core/core_event_fields.h"
#include "client/friends/text_format.h"
#include "client/skin/framed_window.h"
#include "client/text/text_table.h"
#include "client/ui/conference/conference_invite_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

namespace orv {

namespace {

constexpr int kTextConferencing = 330;
constexpr int kTextChairmanLeaves = 332;
constexpr int kTextMemberLeaves = 333;
constexpr int kTextNoFreeSeat = 336;
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
    row->addWidget(panel_);
    row->addWidget(panes_);
    // The skin's frame (its description shares the conference skin file); the title bar's
    // close button leaves like "EXIT".
    FrameHooks frame;
    frame.command = [this](const QString& name) {
        if (name == QLatin1String("CLOSE")) close();
    };
    ApplyFrameSkin(*this, skinFile, std::move(frame));
    setFixedSize(sizeHint());
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
