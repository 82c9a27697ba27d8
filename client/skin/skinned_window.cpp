#include "client/skin/skinned_window.h"

#include "client/log/log.h"
#include "client/skin/skin_mask.h"
#include "client/skin/skin_picture.h"
#include "client/skin/screen_fit.h"

#include <QChildEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <QVBoxLayout>
#include <QWindow>

namespace orv {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
} // namespace

SkinnedWindow::SkinnedWindow(QWidget* parent) : QWidget(parent) {}

bool SkinnedWindow::LoadSkin(const std::string& descriptionFile) {
    WindowSkinDescription description;
    if (!ReadWindowSkinDescription(descriptionFile, &description)) {
        WriteLog(1, "Skin: \"%s\" not found, window stays plain", descriptionFile.c_str());
        return false;
    }
    // The owner's children go back to the skin's coordinates before the new skin is laid.
    if (skinned_) ApplySkinScale(1.0);
    // A skin loaded again replaces the controls of the one before.
    for (QWidget* control : controls_) delete control;
    controls_.clear();
    sliderPictures_.clear();
    delete layout();
    description_ = std::move(description);
    skinned_ = true;
    const std::string* names[4] = {&description_.main, &description_.over, &description_.down,
                                   &description_.disabled};
    for (int i = 0; i < 4; ++i) {
        looks_[i] = LoadSkinPicture(SkinPicturePath(description_.folder, *names[i]));
        shown_[i] = looks_[i];
    }
    ratio_ = 1.0;
    if (!looks_[0].isNull()) setFixedSize(looks_[0].size());
    mask_ = LoadSkinPicture(SkinPicturePath(description_.folder, description_.mask));
    const QRegion shape = RegionFromMask(mask_);
    if (!shape.isEmpty()) setMask(shape);

    CreateButtons();
    CreateTexts();
    CreateSliders();
    CreateProgressBars();
    DressControls();
    if (isVisible()) FitToScreen();
    update();
    return true;
}

void SkinnedWindow::CreateButtons() {
    for (const SkinButtonInfo& info : description_.buttons) {
        auto* button = new SkinButton(info.index, Q(info.name), info.FlagSet(), this);
        button->setGeometry(ToQRect(info.rect));
        button->setToolTip(Q(info.tooltip));
        button->SetClickHandler([this](int, const QString& name) { ReportButton(name); });
        button->show();
        controls_.push_back(button);
    }
}

void SkinnedWindow::CreateTexts() {
    for (const SkinTextInfo& info : description_.texts) {
        auto* text = new SkinText(info, this);
        text->setGeometry(ToQRect(info.rect));
        text->show();
        controls_.push_back(text);
    }
}

void SkinnedWindow::CreateSliders() {
    for (const SkinTrackbarInfo& info : description_.trackbars) {
        auto* slider = new SkinSlider(Q(info.name), info.horizontal, this);
        slider->setGeometry(ToQRect(info.rect));
        sliderPictures_.emplace_back(LoadSkinPicture(SkinPicturePath(description_.folder, info.track)),
                                     LoadSkinPicture(SkinPicturePath(description_.folder, info.thumb)));
        slider->SetMoveHandler([this](const QString& name, int value) { ReportSlider(name, value); });
        slider->show();
        controls_.push_back(slider);
    }
}

void SkinnedWindow::CreateProgressBars() {
    for (const SkinProgressInfo& info : description_.progressBars) {
        auto* bar = new SkinProgress(Q(info.name), info.horizontal, this);
        bar->setGeometry(ToQRect(info.rect));
        bar->show();
        controls_.push_back(bar);
    }
}

QPixmap SkinnedWindow::Face(int look, const SkinRect& rect) const {
    if (scale_ == 1.0 && ratio_ == 1.0) return CutSkinFace(looks_[look], rect);
    return CutResampledFace(shown_[look], FromSkin(ToQRect(rect)));
}

void SkinnedWindow::DressControls() {
    // The controls were created in the description's order, one per line.
    std::size_t next = 0;
    for (const SkinButtonInfo& info : description_.buttons) {
        auto* button = static_cast<SkinButton*>(controls_[next++]);
        for (int look = 0; look < 4; ++look) button->SetFace(static_cast<SkinLook>(look), Face(look, info.rect));
    }
    for (const SkinTextInfo& info : description_.texts) {
        static_cast<SkinText*>(controls_[next++])->SetBackground(Face(0, info.rect));
    }
    for (std::size_t i = 0; i < description_.trackbars.size(); ++i) {
        const auto& [track, thumb] = sliderPictures_[i];
        const auto resampled = [this](const QImage& picture) {
            return QPixmap::fromImage(ResampleSkinPicture(picture, ScaleSize(picture.size(), scale_), ratio_));
        };
        static_cast<SkinSlider*>(controls_[next++])
            ->SetPictures(Face(0, description_.trackbars[i].rect), resampled(track), resampled(thumb));
    }
    for (const SkinProgressInfo& info : description_.progressBars) {
        static_cast<SkinProgress*>(controls_[next++])->SetFaces(Face(0, info.rect), Face(2, info.rect));
    }
}

QRect SkinnedWindow::FromSkin(const QRect& skinRect) const { return ScaleRect(skinRect, scale_); }

void SkinnedWindow::ApplySkinScale(double scale) {
    // Drawn at its own size the window takes the pictures as they are, as it always has.
    const qreal ratio = scale == 1.0 ? 1.0 : devicePixelRatioF();
    if (scale == scale_ && ratio == ratio_) return;
    for (QObject* child : children()) children_.Adopt(qobject_cast<QWidget*>(child), scale_);
    scale_ = scale;
    ratio_ = ratio;
    const QSize size = ScaleSize(looks_[0].size(), scale_);
    for (int i = 0; i < 4; ++i) shown_[i] = scale_ == 1.0 ? looks_[i] : ResampleSkinPicture(looks_[i], size, ratio_);
    if (!looks_[0].isNull()) setFixedSize(size);
    if (!mask_.isNull()) {
        // A shape is all or nothing per pixel: the mask is sampled, not blended.
        const QImage mask = scale_ == 1.0 ? mask_ : mask_.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const QRegion shape = RegionFromMask(mask);
        if (!shape.isEmpty()) setMask(shape);
    }
    children_.Apply(scale_);
    DressControls();
    update();
    WriteLog(3, "Skin: window drawn at %d%% of its size", static_cast<int>(scale_ * 100 + 0.5));
}

void SkinnedWindow::FitToScreen(bool place) {
    if (!skinned_ || !isWindow() || looks_[0].isNull()) return;
    QScreen* screen = ScreenFor(frameGeometry());
    if (screen == nullptr) return;
    ApplySkinScale(FitScale(looks_[0].size(), screen->availableGeometry()));
    if (place) KeepOnScreen(*this);
    WatchScreen();
}

void SkinnedWindow::WatchScreen() {
    QWindow* handle = windowHandle();
    if (handle == nullptr) return;
    if (!watchingWindow_) {
        watchingWindow_ = true;
        // Moved to another screen: fitted to it, but not pulled about under the user's drag.
        connect(handle, &QWindow::screenChanged, this, [this] { FitToScreen(!dragging_); });
    }
    QObject::disconnect(screenWatch_);
    if (QScreen* screen = handle->screen()) {
        screenWatch_ = connect(screen, &QScreen::availableGeometryChanged, this, [this] { FitToScreen(); });
    }
}

bool SkinnedWindow::event(QEvent* event) {
    // Children the owner adds are placed in the skin's coordinates; they join the scale.
    if (event->type() == QEvent::ChildPolished && skinned_) {
        children_.Adopt(qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()), scale_);
    }
    return QWidget::event(event);
}

void SkinnedWindow::showEvent(QShowEvent* event) {
    // Sent before the window is mapped: the window system sees it at its fitted size.
    if (!event->spontaneous()) FitToScreen();
    QWidget::showEvent(event);
}

void SkinnedWindow::UsePlainControls(const std::vector<PlainControl>& controls) {
    if (skinned_ || layout() != nullptr) return;
    auto* column = new QVBoxLayout(this);
    for (const PlainControl& control : controls) {
        if (control.kind == PlainControl::Button) {
            auto* button = new QPushButton(control.label.isEmpty() ? control.name : control.label, this);
            button->setObjectName(control.name);
            const QString name = control.name;
            QObject::connect(button, &QPushButton::clicked, this, [this, name] { ReportButton(name); });
            column->addWidget(button);
            controls_.push_back(button);
        } else {
            auto* slider = new QSlider(Qt::Horizontal, this);
            slider->setObjectName(control.name);
            slider->setRange(0, SkinSlider::kMaximum);
            slider->setToolTip(control.label);
            const QString name = control.name;
            QObject::connect(slider, &QSlider::sliderMoved, this,
                             [this, name](int value) { ReportSlider(name, value); });
            column->addWidget(slider);
            controls_.push_back(slider);
        }
    }
}

QWidget* SkinnedWindow::Control(const QString& name) const {
    for (QWidget* control : controls_) {
        if (control->objectName() == name) return control;
    }
    return nullptr;
}

SkinButton* SkinnedWindow::Button(const QString& name) const {
    return dynamic_cast<SkinButton*>(Control(name));
}
SkinSlider* SkinnedWindow::Slider(const QString& name) const {
    return dynamic_cast<SkinSlider*>(Control(name));
}
SkinText* SkinnedWindow::Text(const QString& name) const {
    return dynamic_cast<SkinText*>(Control(name));
}
SkinProgress* SkinnedWindow::Progress(const QString& name) const {
    return dynamic_cast<SkinProgress*>(Control(name));
}

void SkinnedWindow::ReportButton(const QString& name) {
    if (onButton_) onButton_(name);
}

void SkinnedWindow::ReportSlider(const QString& name, int value) {
    if (onSlider_) onSlider_(name, value);
}

void SkinnedWindow::paintEvent(QPaintEvent* event) {
    if (!skinned_ || looks_[0].isNull()) {
        QWidget::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, shown_[0]);
}

void SkinnedWindow::mousePressEvent(QMouseEvent* event) {
    if (!skinned_ || event->button() != Qt::LeftButton || !isWindow()) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void SkinnedWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void SkinnedWindow::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

} // namespace orv
