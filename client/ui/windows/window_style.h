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

// Gives a styled window the settings theme of themeFile: its picture frame (Close rejects
// the dialog) and the theme's look for its push buttons, check and radio boxes, tabs and
// scroll bars. false (the window as it was) when the theme file does not exist.
bool ThemeWindow(QDialog& window, const std::string& themeFile);

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
