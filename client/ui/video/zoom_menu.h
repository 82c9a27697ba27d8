// ZoomMenu: the zoom choices of a picture window as a popup menu: reduce to 75 %, normal,
// zoom to 150 % and 200 %, and the whole work area. The current choice carries the check
// mark (the skin's picture when it has one). A command is matched to the nearest choice at
// or above it; choosing an item calls the window back with the item's command.
#pragma once

#include <QImage>
#include <QMenu>
#include <functional>

namespace orv {

class TextTable;

class ZoomMenu : public QMenu {
public:
    static constexpr int kReduce = 0xFF02;
    static constexpr int kNormal = 0xFF03;
    static constexpr int k150 = 0xFF04;
    static constexpr int k200 = 0xFF05;
    static constexpr int kFullScreen = 0xFF07;

    struct Choice {
        int command;
        int percent; // 0: the whole work area
    };

    ZoomMenu(const TextTable& texts, const QImage& checkMark,
             std::function<void(int command)> chosen, QWidget* parent);

    // The choice a command stands for, or null past the last one.
    static const Choice* Choose(int command);
    // Moves the check mark to the choice of that command.
    void Mark(int command);
    // The item texts in the current language.
    void Retranslate();

private:
    const TextTable& texts_;
};

} // namespace orv
