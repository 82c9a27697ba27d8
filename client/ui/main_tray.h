// The main window's tray icon: a tooltip with the program, the own number and the on-line
// state; a left click shows or hides the window, a double click brings it back; the right
// button opens a menu with show/hide, the state line and exit. The menu and the tooltip are
// kept even where no tray shows the icon, so the window reads one state everywhere.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace orv {

class TextTable;

class MainTray : public QObject {
public:
    struct Actions {
        std::function<void()> toggleWindow; // show when hidden or minimised, else hide
        std::function<void()> restoreWindow;
        std::function<void()> exit;
    };
    MainTray(QWidget* window, const TextTable& texts, Actions actions);
    ~MainTray() override;

    // Whether a system tray shows the icon (without one, hiding would lose the window).
    bool Available() const { return icon_ != nullptr; }
    // number may be empty (not logged on yet).
    void SetState(const QString& number, bool onLine);
    // The first menu entry reads "Hide" while the window is in view, else "Show".
    void SetWindowShown(bool shown);
    // Texts again after a language change.
    void Retranslate();
    void Hide();

    QMenu* Menu() const { return menu_.get(); }
    QString ToolTip() const { return toolTip_; }

private:
    void UpdateTexts();

    QWidget* window_;
    const TextTable& texts_;
    Actions actions_;
    std::unique_ptr<QMenu> menu_; // no parent: a tray menu is a window of its own
    QAction* toggle_ = nullptr;
    QAction* state_ = nullptr;
    QAction* exit_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
    QString number_;
    QString toolTip_;
    bool onLine_ = false;
    bool shown_ = true;
};

} // namespace orv
