// The look of the client's everyday windows (settings, address book, call lists, service
// dialogs): light neutral dialogs, accent green for checked states and the default button,
// a tab strip with a 2-pixel accent under the current tab, 10-pixel scroll bars.
#pragma once

#include <QString>
#include <string>

class QBoxLayout;
class QDialog;
class QPushButton;
class QWidget;

namespace orv {

class TextTable;

QString WindowStyleSheet();

// Puts the style sheet on a window and gives it the window flags of a modeless dialog.
void StyleWindow(QWidget& window);

// Adds a right-aligned row of an action button (the default, named "modify") and a Cancel
// button under column; the dialog's Cancel rejects it.
struct ActionRow {
    QPushButton* action;
    QPushButton* cancel;
};
ActionRow AddActionRow(QDialog& dialog, QBoxLayout& column);

// A text of the table as a QString.
QString TextOf(const TextTable& texts, int number);

} // namespace orv
