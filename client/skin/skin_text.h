// Skinned text field and progress bar: both draw over the window's own picture.
#pragma once

#include "client/skin/skin_description.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace orv {

// A colour value of a description ("red in the low byte") as a QColor.
QColor SkinColour(std::uint32_t value);

class SkinText : public QWidget {
public:
    SkinText(const SkinTextInfo& info, QWidget* parent);
    const QString& Name() const { return name_; }
    void SetBackground(const QPixmap& background);
    void SetText(const QString& text);
    const QString& Text() const { return text_; }
    QColor Colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    QString text_;
    QColor colour_;
    QPixmap background_;
};

class SkinProgress : public QWidget {
public:
    static constexpr int kMaximum = 100;
    SkinProgress(const QString& name, bool horizontal, QWidget* parent);
    const QString& Name() const { return name_; }
    // empty: the unfilled face (from Main); full: the filled face (from Down).
    void SetFaces(const QPixmap& empty, const QPixmap& full);
    void SetValue(int value);
    int Value() const { return value_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    bool horizontal_;
    int value_ = 0;
    QPixmap empty_, full_;
};

} // namespace orv
