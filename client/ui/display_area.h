// The message and time areas of the main window: text drawn straight onto the skin's
// display, at the rectangle and text size the skin gives ("MESSAGEAREA" CALL and TIME).
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <string>

class QPainter;

namespace orv {

struct DisplayAreaLayout {
    QRect rect;       // empty when the skin gives none
    int textSize = 0; // pixels
};

// Reads key ("CALL" or "TIME") of "MESSAGEAREA" from the description file: x, y, width,
// height, text size. An empty rectangle when the key is missing or out of range.
DisplayAreaLayout ReadDisplayArea(const std::string& descriptionFile, const char* key);

class DisplayArea : public QWidget {
public:
    // time: the clock look (centred, bold); else the message look (two lines, wrapped).
    DisplayArea(const QString& name, bool time, int textSize, QWidget* parent);
    void SetText(const QString& text);
    const QString& Text() const { return text_; }
    // What the area draws: a word wider than the area (a long number) shows its end, led by
    // an ellipsis, so the last typed digit stays in view.
    QString ShownText() const;
    // Without a skin the area sits in a plain window and draws its own background.
    void SetOwnBackground(bool own);

    // The message area doubles as the number field while the phone is idle: Number draws a
    // blinking cursor after the text (the typed number); Hint draws the hint, dimmed, with the
    // cursor before it, on the first line when the area is otherwise empty, else on its last.
    enum class Entry { None, Number, Hint };
    void SetEntry(Entry entry, const QString& hint = QString());
    Entry EntryShown() const { return entry_; }
    const QString& Hint() const { return hint_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect TextRect() const;

    void DrawCursor(QPainter& painter, int x, int top) const;

    bool time_;
    bool ownBackground_ = false;
    QString text_;
    Entry entry_ = Entry::None;
    QString hint_;
    QTimer blink_;
    bool cursorOn_ = true;
};

} // namespace orv
