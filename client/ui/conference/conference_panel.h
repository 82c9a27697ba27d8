// ConferencePanel: the conference window's control panel as the skin draws it: the panel
// picture with the room buttons ("REQUEST", "INVITE", "EXIT"), the member rows (icon, name
// and number, a mark while the member's video shows) each with its own buttons ("VIDEOON%d",
// "VIDEOOFF%d", "KICK%d", "DTMF%d"), and the newest lines of the message log that fit its
// area. A click on any button reports the button's name.
#pragma once

#include "client/core/conference_control.h"
#include "client/ui/conference/conference_skin.h"

#include <QWidget>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QToolButton;

namespace orv {

class SkinButton;
class TextTable;

class ConferencePanel : public QWidget {
public:
    ConferencePanel(const ConferenceSkin& skin, const TextTable& texts, std::function<void(const QString&)> command,
                    QWidget* parent = nullptr);

    // The member rows (filled from the top); a row's buttons show while it holds a member,
    // its kick button only for the chairman.
    void SetRows(const std::vector<ConfMemberRow>& rows, bool chairman);
    void SetLog(const std::deque<std::string>& lines);
    void EnableButton(const QString& name, bool enabled);
    // A room button or a row button by name, or null.
    QWidget* Button(const QString& name) const;
    // The tooltips in the current language.
    void Retranslate();

    const std::vector<ConfMemberRow>& Rows() const { return rows_; }
    // The log lines the message area shows now, oldest first.
    std::vector<std::string> VisibleLog() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildRoomButtons();
    void BuildRowButtons();
    QRect RowRect(int row) const;

    const ConferenceSkin& skin_;
    const TextTable& texts_;
    std::function<void(const QString&)> command_;
    std::map<QString, SkinButton*> roomButtons_;
    std::map<QString, QToolButton*> rowButtons_;
    std::vector<ConfMemberRow> rows_;
    std::deque<std::string> log_;
};

} // namespace orv
