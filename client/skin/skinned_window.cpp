#include "client/skin/skinned_window.h"

#include "client/log/log.h"
#include "client/skin/skin_mask.h"
#include "client/skin/skin_picture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

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
    // A skin loaded again replaces the controls of the one before.
    for (QWidget* control : controls_) delete control;
    controls_.clear();
    delete layout();
    description_ = std::move(description);
    skinned_ = true;
    const std::string* names[4] = {&description_.main, &description_.over, &description_.down,
                                   &description_.disabled};
    for (int i = 0; i < 4; ++i) {
        looks_[i] = LoadSkinPicture(SkinPicturePath(description_.folder, *names[i]));
    }
    if (!looks_[0].isNull()) setFixedSize(looks_[0].size());
    const QRegion shape =
        RegionFromMask(LoadSkinPicture(SkinPicturePath(description_.folder, description_.mask)));
    if (!shape.isEmpty()) setMask(shape);

    CreateButtons();
    CreateTexts();
    CreateSliders();
    CreateProgressBars();
    update();
    return true;
}

void SkinnedWindow::CreateButtons() {
    for (const SkinButtonInfo& info : description_.buttons) {
        auto* button = new SkinButton(info.index, Q(info.name), info.FlagSet(), this);
        button->setGeometry(ToQRect(info.rect));
        button->setToolTip(Q(info.tooltip));
        for (int look = 0; look < 4; ++look) {
            button->SetFace(static_cast<SkinLook>(look), CutSkinFace(looks_[look], info.rect));
        }
        button->SetClickHandler([this](int, const QString& name) { ReportButton(name); });
        button->show();
        controls_.push_back(button);
    }
}

void SkinnedWindow::CreateTexts() {
    for (const SkinTextInfo& info : description_.texts) {
        auto* text = new SkinText(info, this);
        text->setGeometry(ToQRect(info.rect));
        text->SetBackground(CutSkinFace(looks_[0], info.rect));
        text->show();
        controls_.push_back(text);
    }
}

void SkinnedWindow::CreateSliders() {
    for (const SkinTrackbarInfo& info : description_.trackbars) {
        auto* slider = new SkinSlider(Q(info.name), info.horizontal, this);
        slider->setGeometry(ToQRect(info.rect));
        const QImage track = LoadSkinPicture(SkinPicturePath(description_.folder, info.track));
        const QImage thumb = LoadSkinPicture(SkinPicturePath(description_.folder, info.thumb));
        slider->SetPictures(CutSkinFace(looks_[0], info.rect), QPixmap::fromImage(track),
                            QPixmap::fromImage(thumb));
        slider->SetMoveHandler([this](const QString& name, int value) { ReportSlider(name, value); });
        slider->show();
        controls_.push_back(slider);
    }
}

void SkinnedWindow::CreateProgressBars() {
    for (const SkinProgressInfo& info : description_.progressBars) {
        auto* bar = new SkinProgress(Q(info.name), info.horizontal, this);
        bar->setGeometry(ToQRect(info.rect));
        bar->SetFaces(CutSkinFace(looks_[0], info.rect), CutSkinFace(looks_[2], info.rect));
        bar->show();
        controls_.push_back(bar);
    }
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
    painter.drawImage(0, 0, looks_[0]);
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
