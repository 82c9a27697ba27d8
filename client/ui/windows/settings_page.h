// One page of the settings window. A page fills its controls from the configuration when it
// is made, stores and saves them on Apply, greys what must not change during a call on
// Lock, and sets its texts again when the language changes.
//
// Adding a page: derive from SettingsPage, then add one entry to SettingsPages()
// (settings_pages.cpp) that makes it from the SettingsContext.
#pragma once

#include <QEvent>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace orv {

class ClientConfig;
class CUserServHandler;
class CVideoCtlThread;
class TextTable;

class SettingsPage : public QWidget {
public:
    explicit SettingsPage(QWidget* parent = nullptr) : QWidget(parent) { setObjectName(QStringLiteral("page")); }

    // The text number of the page's tab.
    virtual int TitleText() const = 0;
    // Stores the page's values in the configuration and saves its group; false when the
    // settings file could not be written (the values stay stored).
    virtual bool Apply() = 0;
    // idle: no call is active. Pages whose values a running call uses grey them otherwise.
    virtual void Lock(bool idle) { (void)idle; }
    // Sets every text of the page from the text table's current language.
    virtual void Retranslate() {}
    // A handset was plugged in or taken away while the window is open.
    virtual void HandsetChanged() {}

protected:
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::LanguageChange) Retranslate();
        QWidget::changeEvent(event);
    }
};

// What a page may need from the client around it. Pointers may be null in tests and
// front-ends without that part.
struct SettingsContext {
    const TextTable& texts;
    ClientConfig& config;
    CUserServHandler* userServ = nullptr;
    CVideoCtlThread* videoControl = nullptr;
    // Whether a handset is plugged in.
    std::function<bool()> handsetPresent;
    // Makes a language current and tells every open window (General page).
    std::function<void(int language)> changeLanguage;
    // The platform's default language (0 Chinese, 1 English, 2 Japanese).
    std::function<int()> systemLanguage;
    // Stops the tone playing (the audio test).
    std::function<void()> silenceTones;
};

// The pages of the settings window in tab order: General, Audio, Video.
std::vector<SettingsPage*> SettingsPages(const SettingsContext& context);

} // namespace orv
