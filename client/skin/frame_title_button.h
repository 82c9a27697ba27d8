// A title-bar button of a picture frame: its looks lie side by side in one picture
// (normal, hover, pressed and, when the picture holds a fourth, disabled). It takes no
// keyboard focus, as a title bar's buttons do not.
#pragma once

#include <QImage>
#include <QToolButton>

namespace orv {

class FrameTitleButton : public QToolButton {
public:
    // looks: lookCount looks of equal width; the button takes the size of one look (a null
    // or too narrow picture gives a 16 x 16 button drawn as a plain square).
    FrameTitleButton(const QString& name, const QImage& looks, int lookCount, QWidget* parent);

    // The look drawn now: 0 normal, 1 hover, 2 pressed, 3 disabled (the nearest the
    // picture holds).
    int CurrentLook() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage looks_;
    int lookCount_;
    int lookWidth_;
};

} // namespace orv
