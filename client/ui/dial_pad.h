// The on-screen dial pad of the main window, for people who dial with the mouse: keys 1-9,
// *, 0 and #, a backspace key and a key that folds the pad away. The keys never take the
// keyboard focus, so typing keeps working while the pad is open.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QRect>
#include <QWidget>
#include <functional>
#include <string>

namespace orv {

// Where the skin puts the pad and its colours ("DIALPAD": RECT, BODY, KEY, TEXT). An empty
// rectangle when the skin names no place (or a place out of range): the window then puts the
// pad in its plain layout.
struct DialPadLook {
    QRect rect;
    QColor body{0x24, 0x27, 0x2B};
    QColor key{0x33, 0x38, 0x3E};
    QColor text{0xE6, 0xEA, 0xED};
};
DialPadLook ReadDialPadLook(const std::string& descriptionFile);

struct DialPadActions {
    std::function<void(char)> key; // '0'-'9', '*', '#'
    std::function<void()> backspace;
    std::function<void()> hide;
};

class DialPad : public QWidget {
public:
    DialPad(const DialPadLook& look, DialPadActions actions, QWidget* parent);
    // The key for a dial character ('0'-'9', '*', '#'), kBackspace or kHide; nullptr for others.
    QAbstractButton* Key(char c) const;
    static constexpr char kBackspace = '\b';
    static constexpr char kHide = 'h';

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Press(char c);

    DialPadLook look_;
    DialPadActions actions_;
};

} // namespace orv
