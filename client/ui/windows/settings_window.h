// The settings window: a modeless window of the main window with a tab frame of pages
// (General, Audio, Video). OK applies every page and closes; Apply applies and stays open;
// Cancel, Escape and closing the window tell the main window to re-apply the stored
// configuration. During a call OK and Apply are grey and the pages lock what a call uses.
#pragma once

#include "client/ui/windows/settings_page.h"

#include <QDialog>
#include <functional>
#include <vector>

class QPushButton;
class QTabWidget;

namespace orv {

class SettingsWindow : public QDialog {
public:
    // applied: called after every Apply (the main window applies the configuration);
    // cancelled: called when the window closes without OK.
    SettingsWindow(QWidget* owner, const TextTable& texts, std::vector<SettingsPage*> pages,
                   std::function<void()> applied, std::function<void()> cancelled);

    // idle: no call is active.
    void Lock(bool idle);
    // A handset was plugged in or taken away: the pages that offer its settings follow.
    void HandsetChanged();
    // Applies every page and tells the main window; false when a page could not save.
    bool ApplyAll();

    QTabWidget* Tabs() const { return tabs_; }
    SettingsPage* Page(int index) const;
    QPushButton* OkButton() const { return ok_; }
    QPushButton* ApplyButton() const { return apply_; }
    QPushButton* CancelButton() const { return cancel_; }

protected:
    void changeEvent(QEvent* event) override;
    void reject() override;

private:
    void Retranslate();

    const TextTable& texts_;
    std::vector<SettingsPage*> pages_;
    std::function<void()> applied_;
    std::function<void()> cancelled_;
    QTabWidget* tabs_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace orv
