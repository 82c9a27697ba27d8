// The logon dialog against a real orvserver on 127.0.0.1, on Qt's offscreen platform: a
// typed logon, a refused password, and the logon by itself of a remembered digest.
#include "client/app/connect_dialog.h"
#include "client/app/logon_dialog.h"
#include "client/app/server_options_dialog.h"
#include "client/app/qt_message_pump.h"
#include "client/core/client_core.h"
#include "client/data/client_config.h"
#include "client/data/user_list_file.h"
#include "client/ui/skin_message_box.h"
#include "platform/paths.h"
#include "tests/e2e/service_processes.h"
#include "tests/server/test_folder.h"
#include "wire/password_digest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace orv {
namespace {

constexpr int kWaitMs = 20000;

class NoListener : public CoreListener {
public:
    void OnCoreEvent(const CoreEvent&) override {}
};

// A message box shown while waiting: its title and text, closed at once.
struct SeenMessage {
    std::string title;
    std::string text;
};

class LogonDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string address;
        ASSERT_TRUE(StartServerProcess(m_server, m_serverHome.Path(), {}, kWaitMs, &address)) << m_server.Output();
        m_host = address.substr(0, address.rfind(':'));
        m_port = PortOf(address);
        SetHomeFolder(m_clientHome.Path());
    }

    // The core is made after the test has put its files into the home folder.
    void StartCore() {
        m_core = std::make_unique<ClientCore>(m_listener);
        std::string error;
        ASSERT_TRUE(m_core->Start(&error)) << error;
        m_core->Config()->UserServer().address = m_host;
        m_core->Config()->UserServer().port = m_port;
        m_pump = std::make_unique<QtMessagePump>();
        // Message boxes run modal loops of their own, nested in whatever the test waits in:
        // a timer (served by every loop) records and closes them.
        m_boxCloser = std::make_unique<QTimer>();
        QObject::connect(m_boxCloser.get(), &QTimer::timeout, [this] { CloseMessageBoxes(); });
        m_boxCloser->start(20);
    }

    void TearDown() override {
        m_dialog.reset();
        m_boxCloser.reset();
        m_core.reset();
        m_pump.reset();
    }

    LogonDialog& OpenDialog() {
        m_dialog = std::make_unique<LogonDialog>(nullptr, *m_core);
        QObject::connect(m_dialog.get(), &QDialog::finished, [this](int result) { m_result = result; });
        m_dialog->open();
        return *m_dialog;
    }

    template <typename T> T* Child(const char* name) { return m_dialog->findChild<T*>(name); }

    // Waits for the dialog to end, closing (and recording) every message box on the way.
    bool WaitForEnd(int timeoutMs) {
        return QTest::qWaitFor([this] { return m_result >= 0; }, timeoutMs);
    }

    bool WaitForMessage(int timeoutMs) {
        return QTest::qWaitFor([this] { return !m_messages.empty(); }, timeoutMs);
    }

    void CloseMessageBoxes() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = dynamic_cast<SkinMessageBox*>(w);
            if (box == nullptr || !box->isVisible()) continue;
            m_messages.push_back({box->windowTitle().toStdString(), box->Text().toStdString()});
            box->accept();
        }
    }

    // The input opens 2 s after the update check.
    void WaitForInput() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return Child<QPushButton>("LogonOk")->isEnabled(); }, kWaitMs));
    }

    void TypeLogon(const QString& number, const QString& password) {
        auto* numberBox = Child<QComboBox>("LogonNumber");
        numberBox->setEditText(number);
        auto* passwordEdit = Child<QLineEdit>("LogonPassword");
        passwordEdit->setFocus();
        passwordEdit->clear();
        QTest::keyClicks(passwordEdit, password);
        QTest::mouseClick(Child<QPushButton>("LogonOk"), Qt::LeftButton);
    }

    TestFolder m_serverHome;
    TestFolder m_clientHome;
    ChildProcess m_server;
    std::string m_host;
    int m_port = 0;
    NoListener m_listener;
    std::unique_ptr<ClientCore> m_core;
    std::unique_ptr<QtMessagePump> m_pump;
    std::unique_ptr<QTimer> m_boxCloser;
    std::unique_ptr<LogonDialog> m_dialog;
    int m_result = -1;
    std::vector<SeenMessage> m_messages;
};

TEST_F(LogonDialogTest, TypedNumberAndPasswordLogOnAndTheNumberIsRemembered) {
    StartCore();
    OpenDialog();
    WaitForInput();
    TypeLogon("8001", "1111");
    ASSERT_TRUE(WaitForEnd(kWaitMs));
    EXPECT_EQ(m_result, QDialog::Accepted);
    EXPECT_TRUE(m_messages.empty()) << m_messages.front().text;
    EXPECT_EQ(m_core->Status().state, SessionState::LoggedOn);
    EXPECT_NE(m_core->Status().endpointId, 0u);
    // Remember-password was off: the number is kept without a digest.
    const auto list = ReadUserListFile(JoinPath(m_clientHome.Path(), kUserListFile));
    ASSERT_FALSE(list.empty());
    std::string number, digest;
    SplitUserEntry(list.front(), &number, &digest);
    EXPECT_EQ(number, "8001");
    EXPECT_EQ(digest, "");
}

TEST_F(LogonDialogTest, AWrongPasswordShowsInvalidPasswordUnderLogonFailedAndTheDialogStays) {
    StartCore();
    OpenDialog();
    WaitForInput();
    TypeLogon("8001", "wrong");
    ASSERT_TRUE(WaitForMessage(kWaitMs));
    EXPECT_EQ(m_messages.front().title, "Logon Failed");
    EXPECT_EQ(m_messages.front().text, "Invalid password");
    // Back to input for another attempt, the focus in the password field: typed keys land there.
    EXPECT_TRUE(QTest::qWaitFor([this] { return Child<QPushButton>("LogonOk")->isEnabled(); }, kWaitMs));
    EXPECT_EQ(m_result, -1);
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_NE(m_core->Status().state, SessionState::LoggedOn);
    auto* password = Child<QLineEdit>("LogonPassword");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == password; }, kWaitMs));
    password->clear();
    QTest::keyClicks(QApplication::focusWidget(), "1111");
    EXPECT_EQ(password->text(), "1111");
    // Enter on the check box logs on as OK does.
    auto* remember = Child<QCheckBox>("LogonRemember");
    remember->setFocus();
    QTest::keyClick(remember, Qt::Key_Return);
    ASSERT_TRUE(WaitForEnd(kWaitMs));
    EXPECT_EQ(m_result, QDialog::Accepted);
    EXPECT_EQ(m_messages.size(), 1u);
}

TEST_F(LogonDialogTest, ARememberedDigestLogsOnByItselfTwoSecondsAfterTheDialogShows) {
    ASSERT_TRUE(WriteUserListFile(JoinPath(m_clientHome.Path(), kUserListFile),
                                  {"8002," + PasswordDigest("8002", "2222"), "8001"}));
    StartCore();
    QElapsedTimer shown;
    shown.start();
    LogonDialog& dialog = OpenDialog();
    EXPECT_EQ(dialog.findChild<QComboBox*>("LogonNumber")->currentText(), "8002");
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("LogonRemember")->isChecked());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("LogonPassword")->text(), "********") << "not the digest";
    ASSERT_TRUE(WaitForEnd(kWaitMs));
    EXPECT_GE(shown.elapsed(), LogonDialog::kStartWaitMs - 50);
    EXPECT_EQ(m_result, QDialog::Accepted);
    EXPECT_TRUE(m_messages.empty()) << m_messages.front().text;
    EXPECT_EQ(m_core->Status().number, "8002");
    // Still remembered, with its digest, first in the list.
    const auto list = ReadUserListFile(JoinPath(m_clientHome.Path(), kUserListFile));
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front(), "8002," + PasswordDigest("8002", "2222"));
}

TEST_F(LogonDialogTest, ClickingIntoARememberedPasswordEmptiesItAndTheTypedOneIsHashed) {
    ASSERT_TRUE(WriteUserListFile(JoinPath(m_clientHome.Path(), kUserListFile), {"8003,NOT-THE-RIGHT-DIGEST"}));
    StartCore();
    OpenDialog();
    auto* password = Child<QLineEdit>("LogonPassword");
    EXPECT_EQ(password->text(), "********") << "a placeholder, not the digest";
    // The logon by itself uses the stored (wrong) digest and is refused.
    ASSERT_TRUE(WaitForMessage(kWaitMs));
    EXPECT_EQ(m_messages.front().text, "Invalid password");
    WaitForInput();
    m_dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
    QTest::mouseClick(password, Qt::LeftButton);
    EXPECT_TRUE(password->text().isEmpty());
    QTest::keyClicks(password, "3333");
    QTest::keyClick(password, Qt::Key_Return);
    ASSERT_TRUE(WaitForEnd(kWaitMs));
    EXPECT_EQ(m_result, QDialog::Accepted);
    // The remember box stayed checked: the new digest replaces the old one.
    const auto list = ReadUserListFile(JoinPath(m_clientHome.Path(), kUserListFile));
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front(), "8003," + PasswordDigest("8003", "3333"));
}

// The server options dialog offers the server's own default port, refuses an empty address
// with a message, and its spin box buttons carry arrows; a time-out names the silent server.
TEST_F(LogonDialogTest, ServerOptionsAndTheTimeoutText) {
    StartCore();
    ServerOptionsDialog dialog(nullptr, m_core->Texts(), "", 0);
    auto* port = dialog.findChild<QSpinBox*>("ServerPort");
    EXPECT_EQ(port->value(), 17001);
    dialog.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    ASSERT_TRUE(WaitForMessage(kWaitMs)) << "an empty address says so";
    EXPECT_EQ(m_messages.front().text, "Enter the server's address");
    EXPECT_TRUE(dialog.isVisible());
    dialog.findChild<QLineEdit*>("ServerAddress")->setText("10.0.0.7");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Address(), "10.0.0.7");

    // The arrows: dark marks on the light buttons at the spin box's right end.
    const QImage shot = port->grab().toImage();
    int dark = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = shot.width() - 20; x < shot.width(); ++x) dark += qGray(shot.pixel(x, y)) < 80;
    EXPECT_GE(dark, 20) << "arrow marks";

    LogonOutcome timedOut;
    timedOut.kind = LogonOutcomeKind::TimedOut;
    timedOut.messageText = kTextLogonTimeout;
    LogonRequest request{"127.0.0.1", 9, "", "", 0};
    EXPECT_EQ(LogonOutcomeText(m_core->Texts(), timedOut, request), "Logon timeout: no answer from 127.0.0.1:9");
    LogonOutcome refused;
    refused.kind = LogonOutcomeKind::Refused;
    refused.messageText = kTextLogonTimeout;
    EXPECT_EQ(LogonOutcomeText(m_core->Texts(), refused, request), "Logon timeout");
}

} // namespace
} // namespace orv
