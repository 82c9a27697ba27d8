#include "client/ui/windows/window_style.h"

#include "client/skin/framed_window.h"
#include "client/skin/theme_style.h"
#include "client/text/text_table.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QWidget>

namespace orv {

namespace {

// What every window shares.
QString CommonRules() {
    return QStringLiteral(
        "QDialog, QWidget#page { background: #F4F5F6; color: #2F343A; }"
        "QWidget { font-family: 'DejaVu Sans', 'Noto Sans CJK JP', 'Noto Sans CJK SC'; font-size: 13px; }"
        "QLabel, QCheckBox, QRadioButton { color: #2F343A; }"
        "QGroupBox { border: 1px solid #C9CED3; border-radius: 6px; margin-top: 10px; padding: 8px 6px 6px 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #4A525A; }"
        "QLineEdit, QComboBox { background: white; border: 1px solid #B8BEC4; border-radius: 4px; padding: 3px 6px;"
        "  min-height: 18px; }"
        "QLineEdit:focus, QComboBox:focus { border: 1px solid #2FA56B; }"
        "QLineEdit:disabled, QComboBox:disabled { background: #E9ECEE; color: #9AA2AA; }"
        "QCheckBox:disabled, QRadioButton:disabled, QLabel:disabled { color: #9AA2AA; }"
        "QTabWidget::pane { border: 1px solid #C9CED3; border-radius: 4px; top: -1px; background: #F4F5F6; }"
        "QTreeWidget, QTableWidget, QListWidget { background: white; border: 1px solid #C9CED3; border-radius: 4px;"
        "  selection-background-color: #CFEBDC; selection-color: #1E2B26; alternate-background-color: #F7F9F8; }"
        "QHeaderView::section { background: #E9ECEE; color: #4A525A; border: none; border-right: 1px solid #D5DADE;"
        "  padding: 4px 6px; }"
        "QMenu { background: #FFFFFF; color: #2F343A; border: 1px solid #C9CED3; }"
        "QMenu::item { padding: 5px 22px; }"
        "QMenu::item:selected { background: #CFEBDC; }"
        "QMenu::item:disabled { color: #AEB5BB; }");
}

// Push buttons, tabs and scroll bars, which a settings theme draws instead.
QString StandardControlRules() {
    return QStringLiteral(
        "QPushButton { background: #E3E6E9; color: #2F343A; border: 1px solid #C9CED3; border-radius: 5px;"
        "  padding: 5px 16px; min-width: 64px; }"
        "QPushButton:hover { background: #ECEFF1; }"
        "QPushButton:pressed { background: #D3D8DC; }"
        "QPushButton:focus { border: 1px solid #2FA56B; }"
        "QPushButton:default { background: #2FA56B; color: white; border: 1px solid #2A955F; }"
        "QPushButton:disabled { background: #EEF0F2; color: #AEB5BB; border: 1px solid #DDE1E4; }"
        "QTabBar::tab { background: transparent; color: #4A525A; padding: 6px 16px; border: none;"
        "  border-bottom: 2px solid transparent; }"
        "QTabBar::tab:selected { color: #1E2B26; border-bottom: 2px solid #2FA56B; }"
        "QTabBar::tab:focus { color: #2FA56B; }"
        "QScrollBar:vertical { width: 10px; background: #E3E6E9; border: none; }"
        "QScrollBar:horizontal { height: 10px; background: #E3E6E9; border: none; }"
        "QScrollBar::handle { background: #9AA2AA; border-radius: 5px; min-height: 24px; min-width: 24px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }");
}

} // namespace

QString WindowStyleSheet() { return CommonRules() + StandardControlRules(); }

void StyleWindow(QWidget& window) {
    window.setStyleSheet(WindowStyleSheet());
    window.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

bool ThemeWindow(QDialog& window, const std::string& themeFile) {
    window.setStyleSheet(CommonRules()); // before the take-over, which wraps the sheet's style
    const ThemeStyle* style = TakeOverStandardControls(window, themeFile);
    if (style == nullptr) {
        window.setStyleSheet(WindowStyleSheet());
        return false;
    }
    FrameHooks hooks;
    hooks.command = [&window](const QString& name) {
        if (name == QLatin1String("CLOSE")) window.reject();
    };
    if (SkinFrame* frame = ApplyFrameSkin(window, themeFile, std::move(hooks)))
        frame->SetTitleColours(style->Theme().titleText, style->Theme().inactiveTitleText);
    return true;
}

ActionRow AddActionRow(QDialog& dialog, QBoxLayout& column) {
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    ActionRow buttons{new QPushButton(&dialog), new QPushButton(&dialog)};
    buttons.action->setObjectName(QStringLiteral("modify"));
    buttons.action->setDefault(true);
    row->addWidget(buttons.action);
    row->addWidget(buttons.cancel);
    column.addLayout(row);
    QObject::connect(buttons.cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return buttons;
}

QString TextOf(const TextTable& texts, int number) { return QString::fromStdString(texts.Text(number)); }

} // namespace orv
