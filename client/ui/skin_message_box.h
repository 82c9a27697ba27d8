// The client's message box: a small modal dialog in the skin's colours with a title, a
// text, an OK button and, when asked, a Cancel button. Every message box of the desktop
// client goes through it.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

class QLabel;

namespace orv {

class TextTable;

// Text numbers of the box's own labels.
constexpr int kTextOk = 162;
constexpr int kTextCancel = 158;

class SkinMessageBox : public QDialog {
public:
    SkinMessageBox(QWidget* owner, const QString& title, const QString& text, bool withCancel,
                   const QString& okLabel, const QString& cancelLabel);
    QString Text() const;

private:
    QLabel* text_;
};

// Runs the box modally; 1 for OK, 0 for Cancel or when it was closed otherwise.
int ShowSkinMessageBox(QWidget* owner, const TextTable& texts, int titleNumber,
                       const std::string& text, bool withCancel = false);
int ShowSkinMessageBox(QWidget* owner, const TextTable& texts, int titleNumber, int textNumber,
                       bool withCancel = false);

// The look shared by the client's own dialogs (message box, about box): a style sheet in
// the skin's palette.
QString DialogStyleSheet();

} // namespace orv
