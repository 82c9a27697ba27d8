// The base of skinned top-level windows: loads a window skin ("mainbody.ini"), takes its
// size and shape from the pictures, and creates its buttons, texts, sliders and progress
// bars. Without a skin it stays a plain window whose owner can ask for plain controls of
// the same names, so the window keeps working.
#pragma once

#include "client/skin/skin_button.h"
#include "client/skin/skin_description.h"
#include "client/skin/skin_slider.h"
#include "client/skin/skin_text.h"

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace orv {

// A control the owner needs when the skin is missing: a plain button or slider.
struct PlainControl {
    enum Kind { Button, Slider };
    Kind kind = Button;
    QString name;
    QString label;
};

class SkinnedWindow : public QWidget {
public:
    using ButtonHandler = std::function<void(const QString& name)>;
    using SliderHandler = std::function<void(const QString& name, int value)>;

    explicit SkinnedWindow(QWidget* parent = nullptr);

    // Loads the window skin. When the file does not exist nothing changes and false is
    // returned. Otherwise the window takes the Main picture's size and the Mask's shape,
    // the controls are created (buttons, texts, sliders, progress bars, in that order), and
    // the window repaints. A missing or unusable picture leaves its controls without faces.
    bool LoadSkin(const std::string& descriptionFile);
    bool IsSkinned() const { return skinned_; }
    const WindowSkinDescription& Description() const { return description_; }
    const QImage& MainPicture() const { return looks_[0]; }

    // Plain buttons and sliders laid out in a column, for a window left without its skin.
    // Does nothing once a skin is loaded. Clicks and moves reach the same handlers.
    void UsePlainControls(const std::vector<PlainControl>& controls);

    // Controls by name (nullptr when there is none). Control() also finds plain controls.
    SkinButton* Button(const QString& name) const;
    SkinSlider* Slider(const QString& name) const;
    SkinText* Text(const QString& name) const;
    SkinProgress* Progress(const QString& name) const;
    QWidget* Control(const QString& name) const;

    void SetButtonHandler(ButtonHandler handler) { onButton_ = std::move(handler); }
    void SetSliderHandler(SliderHandler handler) { onSlider_ = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Pressing on the picture outside any control drags the window (it has no title bar).
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void CreateButtons();
    void CreateTexts();
    void CreateSliders();
    void CreateProgressBars();
    void ReportButton(const QString& name);
    void ReportSlider(const QString& name, int value);

    bool skinned_ = false;
    WindowSkinDescription description_;
    QImage looks_[4]; // Main, Over, Down, Disabled
    std::vector<QWidget*> controls_;
    ButtonHandler onButton_;
    SliderHandler onSlider_;
    bool dragging_ = false;
    QPoint dragOffset_;
};

} // namespace orv
