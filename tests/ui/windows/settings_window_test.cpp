// The settings window opened from the main window, with a real core and its configuration:
// its pages, the call lock of OK and Apply, the Default language check box, and a language
// change that reaches the main window, the settings window and the conference window while
// they are open.
#include "client/data/client_config.h"
#include "client/skin/framed_window.h"
#include "client/skin/theme_style.h"
#include "client/text/language.h"
#include "client/ui/function_menu.h"
#include "client/ui/windows/general_page.h"
#include "client/ui/windows/settings_window.h"
#include "tests/ui/ui_test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTest>
#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(SettingsWindow, GeneralPageLocksDuringACallAndSwitchesEveryOpenWindowsLanguage) {
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    ClientConfig& config = *f.Core().Config();
    config.UserServer().address = "192.0.2.7";
    config.UserServer().port = 6100;
    MainDialog& w = f.Window();
    w.show();
    ASSERT_TRUE(w.Conference().Open());
    ConferenceWindow& conference = *w.Conference().Window();
    w.Windows().Open(kCmdSettings);
    SettingsWindow* s = w.Windows().Settings();
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->isModal());
    EXPECT_EQ(s->windowTitle(), "Settings");
    ASSERT_GE(s->Tabs()->count(), 2);
    EXPECT_EQ(s->Tabs()->tabText(0), "General");
    EXPECT_EQ(s->Tabs()->tabText(s->Tabs()->count() - 1), "Video");
    EXPECT_EQ(s->Tabs()->currentIndex(), 0);
    auto* general = dynamic_cast<GeneralPage*>(s->Page(0));
    ASSERT_NE(general, nullptr);
    EXPECT_EQ(general->Address()->text(), "192.0.2.7");
    EXPECT_EQ(general->Port()->text(), "6100");
    EXPECT_FALSE(general->Security()->isEnabled()) << "no handset";
    // Drawn in the skin's theme: its frame with the theme's title colours, and the theme's
    // look for the buttons and boxes (not for the line edits).
    SkinFrame* frame = FrameOf(*s);
    ASSERT_NE(frame, nullptr);
    const auto* theme = s->findChild<ThemeStyle*>();
    ASSERT_NE(theme, nullptr);
    EXPECT_TRUE(s->OkButton()->testAttribute(Qt::WA_SetStyle));
    EXPECT_TRUE(general->DefaultLanguage()->testAttribute(Qt::WA_SetStyle));
    EXPECT_FALSE(general->Address()->testAttribute(Qt::WA_SetStyle));
    EXPECT_EQ(frame->TitleColour(), frame->ActiveLook() ? theme->Theme().titleText : theme->Theme().inactiveTitleText);
    ASSERT_NE(frame->Button("CLOSE"), nullptr);

    // A second request raises the same window.
    w.Windows().Open(kCmdSettings);
    EXPECT_EQ(w.Windows().Settings(), s);

    // During a call OK and Apply are grey, and available again after it.
    f.state = 3;
    f.Emit("call_progress", {{"type", "1"}, {"number", "8002"}}, "Calling");
    EXPECT_FALSE(s->OkButton()->isEnabled());
    EXPECT_FALSE(s->ApplyButton()->isEnabled());
    EXPECT_TRUE(s->CancelButton()->isEnabled());
    f.state = 0;
    f.Emit("call_progress", {{"type", "5"}, {"number", "8002"}}, "");
    EXPECT_TRUE(s->OkButton()->isEnabled());
    EXPECT_TRUE(s->ApplyButton()->isEnabled());

    // Default greys the choice and shows the platform's language.
    general->DefaultLanguage()->setChecked(true);
    EXPECT_FALSE(general->Language()->isEnabled());
    EXPECT_EQ(general->Language()->currentIndex(), PlatformDefaultLanguage());
    general->DefaultLanguage()->setChecked(false);
    EXPECT_TRUE(general->Language()->isEnabled());

    // Chinese chosen and applied: stored, saved, and every open window speaks it at once.
    general->Language()->setCurrentIndex(kLanguageChinese);
    general->Port()->setText("6200");
    QTest::mouseClick(s->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(f.Core().Texts().Language(), kLanguageChinese);
    EXPECT_EQ(config.General().language, kLanguageChinese);
    EXPECT_FALSE(config.General().languageNotSet);
    EXPECT_EQ(config.UserServer().port, 6200);
    QFile file(QString::fromStdString(config.SettingsFile()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_TRUE(saved.contains("6200")) << saved.toStdString();
    QTest::qWait(0); // the posted language change reaches every window
    EXPECT_TRUE(QTest::qWaitFor([&] { return s->windowTitle() == "设置"; }, 2000));
    EXPECT_EQ(s->Tabs()->tabText(0), "常规");
    EXPECT_EQ(s->OkButton()->text(), "确定");
    EXPECT_EQ(general->Remember()->text(), "记住密码");
    EXPECT_EQ(w.Control("BUTTON_CALL")->toolTip(), "呼叫");
    EXPECT_EQ(conference.windowTitle(), "会议中");
    EXPECT_EQ(conference.Panel().Button("INVITE")->toolTip(), "邀请");
    EXPECT_EQ(conference.Panel().Button("KICK1")->toolTip(), "取消");
    EXPECT_EQ(conference.ZoomMenu()->actions()[1]->text(), "正常");
    EXPECT_TRUE(s->isVisible()) << "Apply keeps the window open";

    // OK applies and closes; Cancel would re-apply the stored configuration.
    general->Language()->setCurrentIndex(kLanguageEnglish);
    QTest::mouseClick(s->OkButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Windows().Settings() == nullptr; }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Control("BUTTON_CALL")->toolTip() == "Call"; }, 2000));
    EXPECT_EQ(conference.windowTitle(), "Conferencing");
    EXPECT_EQ(conference.ZoomMenu()->actions()[3]->text(), "Zoom to 200%");

    // The frame's close button closes it as Cancel does.
    w.Windows().Open(kCmdSettings);
    ASSERT_NE(w.Windows().Settings(), nullptr);
    QTest::mouseClick(FrameOf(*w.Windows().Settings())->Button("CLOSE"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Windows().Settings() == nullptr; }, 2000));
}

} // namespace
} // namespace orv
