// The main window's footer: the own ORV number and whether the server answers, as a dot
// (green on line, red off line) and a word, always in view.
#pragma once

#include <QString>
#include <QWidget>

namespace orv {

class StatusStrip : public QWidget {
public:
    // textSize in pixels (0: the default).
    StatusStrip(int textSize, QWidget* parent);
    void SetState(const QString& number, bool onLine, const QString& stateText);
    bool OnLine() const { return onLine_; }
    // What the strip reads, e.g. "8001 · On line".
    QString Text() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString number_;
    QString stateText_;
    bool onLine_ = false;
};

} // namespace orv
