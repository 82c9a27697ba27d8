// The base of skinned top-level windows: loads a window skin ("mainbody.ini"), takes its
// size and shape from the pictures, and creates its buttons, texts, sliders and progress
// bars. Without a skin it stays a plain window whose owner can ask for plain controls of
// the same names, so the window keeps working.
//
// A skinned window has a fixed layout. Where the free part of its screen (less the panels)
// is smaller than the pictures, the whole window is drawn smaller, down to half: the
// pictures are resampled once to the screen's pixels, and every child (the skin's controls
// and those the owner placed in the skin's coordinates before showing them) is placed,
// sized and given its font at that scale, so hit areas, text and shape stay together. The
// fit is made again when the window shows, moves to another screen or the screen's free
// area changes; a window shown off every screen is brought back onto one.
#pragma once

#include "client/skin/scaled_children.h"
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
#include <utility>
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

    // The factor the skin is drawn at now (1 = the pictures' own size).
    double SkinScale() const { return scale_; }
    // A rectangle in the skin's coordinates, in the window's coordinates now.
    QRect FromSkin(const QRect& skinRect) const;
    // Fits the window to the screen it lies on (see above). place: also move it inside that
    // screen's free area.
    void FitToScreen(bool place = true);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
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
    // Gives the skin's controls their faces from the looks at the current scale.
    void DressControls();
    QPixmap Face(int look, const SkinRect& rect) const;
    void ApplySkinScale(double scale);
    void WatchScreen();
    void ReportButton(const QString& name);
    void ReportSlider(const QString& name, int value);

    bool skinned_ = false;
    WindowSkinDescription description_;
    QImage looks_[4]; // Main, Over, Down, Disabled
    QImage shown_[4]; // the looks resampled for the current scale and screen
    QImage mask_;
    std::vector<std::pair<QImage, QImage>> sliderPictures_; // track and thumb, per slider
    double scale_ = 1.0;
    qreal ratio_ = 1.0; // the screen's pixel ratio the looks were resampled for
    ScaledChildren children_;
    QMetaObject::Connection screenWatch_;
    bool watchingWindow_ = false;
    std::vector<QWidget*> controls_;
    ButtonHandler onButton_;
    SliderHandler onSlider_;
    bool dragging_ = false;
    QPoint dragOffset_;
};

} // namespace orv
