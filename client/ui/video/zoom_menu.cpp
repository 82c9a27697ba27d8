#include "client/ui/video/zoom_menu.h"

#include "client/text/text_table.h"

#include <QAction>
#include <cstdio>

namespace orv {

namespace {

constexpr int kTextZoomTo = 312;
constexpr int kTextReduceTo = 313;
constexpr int kTextNormal = 314;
constexpr int kTextFullScreen = 315;

constexpr ZoomMenu::Choice kChoices[] = {
    {ZoomMenu::kReduce, 75}, {ZoomMenu::kNormal, 100},   {ZoomMenu::k150, 150},
    {ZoomMenu::k200, 200},   {ZoomMenu::kFullScreen, 0},
};

QString Formatted(const std::string& format, int value) {
    char text[128];
    std::snprintf(text, sizeof text, format.c_str(), value);
    return QString::fromUtf8(text);
}

} // namespace

ZoomMenu::ZoomMenu(const TextTable& texts, const QImage& checkMark,
                   std::function<void(int command)> chosen, QWidget* parent)
    : QMenu(parent), texts_(texts) {
    const QIcon check = checkMark.isNull() ? QIcon() : QIcon(QPixmap::fromImage(checkMark));
    for (const Choice& choice : kChoices) {
        QAction* action = addAction(QString());
        action->setData(choice.command);
        action->setCheckable(true);
        if (!check.isNull()) action->setIcon(check);
        action->setIconVisibleInMenu(false);
        connect(action, &QAction::triggered, this,
                [chosen, command = choice.command] { chosen(command); });
    }
    Retranslate();
}

const ZoomMenu::Choice* ZoomMenu::Choose(int command) {
    for (const Choice& choice : kChoices) {
        if (choice.command >= command) return &choice;
    }
    return nullptr;
}

void ZoomMenu::Mark(int command) {
    for (QAction* action : actions()) {
        const bool current = action->data().toInt() == command;
        action->setChecked(current);
        action->setIconVisibleInMenu(current);
    }
}

void ZoomMenu::Retranslate() {
    const QList<QAction*> items = actions();
    for (int i = 0; i < items.size() && i < int(std::size(kChoices)); ++i) {
        const Choice& choice = kChoices[i];
        QString text;
        if (choice.command == kNormal) {
            text = QString::fromStdString(texts_.Text(kTextNormal));
        } else if (choice.command == kFullScreen) {
            text = QString::fromStdString(texts_.Text(kTextFullScreen));
        } else {
            text = Formatted(texts_.Text(choice.percent < 100 ? kTextReduceTo : kTextZoomTo),
                             choice.percent);
        }
        items[i]->setText(text);
    }
}

} // namespace orv
