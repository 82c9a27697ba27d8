// A skinned slider: the window's picture under it, a track picture and a thumb picture;
// range 0 to 100, horizontal or vertical.
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <functional>

namespace orv {

class SkinSlider : public QWidget {
public:
    using MoveHandler = std::function<void(const QString& name, int value)>;
    static constexpr int kMaximum = 100;

    SkinSlider(const QString& name, bool horizontal, QWidget* parent);

    const QString& Name() const { return name_; }
    bool Horizontal() const { return horizontal_; }
    void SetPictures(const QPixmap& background, const QPixmap& track, const QPixmap& thumb);
    bool HasThumb() const { return !thumb_.isNull(); }
    int Value() const { return value_; }
    // Sets the position without reporting it (the owner initialises from the mixer).
    void SetValue(int value);
    // Reported when the user moves the slider.
    void SetMoveHandler(MoveHandler handler) { onMove_ = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QSize ThumbSize() const;
    // Travel of the thumb's leading edge in pixels.
    int Travel() const;
    void MoveTo(int value);
    void MoveToPoint(const QPoint& point);

    QString name_;
    bool horizontal_;
    int value_ = 0;
    QPixmap background_, track_, thumb_;
    MoveHandler onMove_;
};

} // namespace orv
