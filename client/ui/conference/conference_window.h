// ConferenceWindow: the window of a conference. The control panel on the left (room
// buttons, member rows with their buttons, the message log) and the four pictures on the
// right. It shows what the conference controls keep (ConferenceControl, shared with
// orvcli) and runs their commands: ask for a room, invite (a number or an address-book
// friend), request or cancel a member's video, remove a member (the chairman), send digits
// to a member, leave. It follows the core's conference events; the end of another's room
// closes it. It wears the video window's frame: ZOOM sizes the pictures by the video
// window's zoom menu, CAMERA shows a still of the selected member's picture (else our own)
// in the snapshot dialog, VIDEOCONFIG opens the video options, CLOSE leaves like "EXIT".
#pragma once

#include "client/ui/conference/conference_panel.h"
#include "client/ui/conference/conference_panes.h"
#include "client/ui/conference/conference_skin.h"
#include "client/ui/video/snapshot_dialog.h"
#include "client/ui/video/zoom_menu.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace orv {

class ConferenceControl;
class TextTable;
struct CoreEvent;

struct ConferenceWindowHooks {
    // (name, ORV number) of the address book's friends, for the invite dialog.
    std::function<std::vector<std::pair<std::string, std::string>>()> friends;
    // A yes/no question; default: a message box.
    std::function<bool(const std::string& question)> confirm;
    // Something the user must read; default: a message box.
    std::function<void(const std::string& text)> tell;
    // The number to invite; empty when cancelled. Default: the invite dialog.
    std::function<std::string()> askInvite;
    // Digits for a member, the dialog titled with its name and number; empty when cancelled.
    // Default: an input dialog.
    std::function<std::string(const std::string& title)> askDigits;
    // The window closed (left the room, or another's room ended).
    std::function<void()> closed;
    // "VIDEOCONFIG": the video options, over parent.
    std::function<void(QWidget* parent)> openVideoOptions;
};

class ConferenceWindow : public QWidget {
public:
    ConferenceWindow(const TextTable& texts, ConferenceControl& control, const std::string& skinFile,
                     ConferenceWindowHooks hooks = {}, QWidget* parent = nullptr);

    ConferencePanes& Panes() { return *panes_; }
    ConferencePanel& Panel() { return *panel_; }

    // A button's command by name ("REQUEST", "INVITE", "EXIT", "VIDEOON0", "KICK2", ...,
    // and the frame's "ZOOM", "CAMERA", "VIDEOCONFIG", "CLOSE").
    void Command(const QString& name);
    // The pictures at a zoom menu command's size (the panel keeps its own).
    void Zoom(int command);
    int ZoomCommand() const { return zoom_; }
    orv::ZoomMenu* ZoomMenu() const { return zoomMenu_; }
    SnapshotDialog* OpenSnapshot() const { return snapshot_; }
    // Invites number (from the address book); an empty number asks for one.
    void InviteNumber(const std::string& number);
    // The core's conference events: rows, log and buttons follow them.
    void OnCoreEvent(const CoreEvent& event);
    // Draws rows, panes and log again from the conference controls.
    void Refresh();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void TakeSnapshot();
    void Leave();
    void RowCommand(const QString& name);
    void Finish();
    std::string Text(int number) const;

    const TextTable& texts_;
    ConferenceControl& control_;
    ConferenceSkin skin_;
    ConferenceWindowHooks hooks_;
    ConferencePanel* panel_ = nullptr;
    ConferencePanes* panes_ = nullptr;
    orv::ZoomMenu* zoomMenu_ = nullptr;
    int zoom_ = orv::ZoomMenu::kNormal;
    QPointer<SnapshotDialog> snapshot_;
    bool leaving_ = false;
};

} // namespace orv
