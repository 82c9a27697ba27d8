// A picture button of a skinned window: four faces (normal, hover, pressed, disabled) cut
// from the window's pictures, a tooltip, and a click reported with its index and name.
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>

namespace orv {

enum class SkinLook { Normal = 0, Over = 1, Down = 2, Disabled = 3 };

class SkinButton : public QWidget {
public:
    using ClickHandler = std::function<void(int index, const QString& name)>;

    SkinButton(int index, const QString& name, bool flag, QWidget* parent);

    int Index() const { return index_; }
    const QString& Name() const { return name_; }
    // The "T" flag of the description line; the owning window decides what it means.
    bool Flag() const { return flag_; }
    void SetFace(SkinLook look, const QPixmap& face);
    bool HasFaces() const { return !faces_[0].isNull(); }
    void SetClickHandler(ClickHandler handler) { onClick_ = std::move(handler); }
    // The look the button would be drawn with now.
    SkinLook CurrentLook() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int index_;
    QString name_;
    bool flag_;
    bool hover_ = false;
    bool pressed_ = false;
    std::array<QPixmap, 4> faces_;
    ClickHandler onClick_;
};

} // namespace orv
