// The main window's controls: from the skin when there is one (display areas and the
// forwarding picture placed by its description), else plain controls of the same names.
#include "client/ui/main_dialog.h"

#include "client/data/skin_paths.h"
#include "client/skin/skin_picture.h"
#include "client/skin/skin_text.h"
#include "client/ui/display_area.h"
#include "client/ui/status_strip.h"
#include "client/core/client_core.h"
#include "client/userserver/option_packets.h"
#include "client/userserver/user_serv_handler.h"
#include "platform/profile.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPixmap>

namespace orv {

void MainDialog::BuildControls(const std::string& skinFile) {
    if (LoadSkin(skinFile)) {
        // The skin draws its own title strip, border and shape.
        setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
        PlaceDisplayAreas(skinFile);
        PlaceForwardMark(skinFile);
        return;
    }
    // Without a skin the window keeps working with plain controls of the same names.
    UsePlainControls(PlainControls());
    message_ = new DisplayArea(QStringLiteral("MESSAGE_AREA"), false, 0, this);
    time_ = new DisplayArea(QStringLiteral("TIME_AREA"), true, 0, this);
    message_->SetOwnBackground(true);
    time_->SetOwnBackground(true);
    status_ = new StatusStrip(0, this);
    if (auto* column = qobject_cast<QBoxLayout*>(layout())) {
        column->insertWidget(0, time_);
        column->insertWidget(0, message_);
        column->addWidget(status_);
    }
}

void MainDialog::PlaceDisplayAreas(const std::string& skinFile) {
    const DisplayAreaLayout call = ReadDisplayArea(skinFile, "CALL");
    const DisplayAreaLayout time = ReadDisplayArea(skinFile, "TIME");
    message_ = new DisplayArea(QStringLiteral("MESSAGE_AREA"), false, call.textSize, this);
    time_ = new DisplayArea(QStringLiteral("TIME_AREA"), true, time.textSize, this);
    message_->setGeometry(call.rect);
    time_->setGeometry(time.rect);
    message_->show();
    time_->show();
    // The footer; a skin that names no place for it gets the window's bottom strip.
    const DisplayAreaLayout footer = ReadDisplayArea(skinFile, "STATUS");
    status_ = new StatusStrip(footer.textSize, this);
    const int strip = status_->minimumHeight();
    status_->setGeometry(footer.rect.isEmpty() ? QRect(0, height() - strip - 8, width(), strip) : footer.rect);
    status_->show();
}

void MainDialog::PlaceForwardMark(const std::string& skinFile) {
    const std::string folder = SkinFolderPath(home_, SkinWindow::Main);
    const QImage picture =
        LoadSkinPicture(SkinPicturePath(folder, GetProfileString("FORWARDINFO", "BMP", "", skinFile)));
    const std::vector<std::string> pos = SplitSkinTokens(GetProfileString("FORWARDINFO", "POS", "", skinFile));
    if (picture.isNull() || pos.size() < 2) return;
    const QPoint at(SkinTokenInt(pos[0]), SkinTokenInt(pos[1]));
    if (!rect().contains(QRect(at, picture.size()))) return;
    const QColor transparent = SkinColour(static_cast<std::uint32_t>(
        GetProfileInt("FORWARDINFO", "MASKCOLOR", 0, skinFile)));
    QPixmap pixmap = QPixmap::fromImage(picture);
    pixmap.setMask(pixmap.createMaskFromColor(transparent, Qt::MaskInColor));
    auto* mark = new QLabel(this);
    mark->setObjectName(QStringLiteral("FORWARD_MARK"));
    mark->setPixmap(pixmap);
    mark->setScaledContents(true); // follows the window when it is drawn smaller
    mark->setGeometry(QRect(at, picture.size()));
    mark->setAttribute(Qt::WA_TransparentForMouseEvents);
    mark->hide();
    forwardMark_ = mark;
}

bool MainDialog::Forwarding() const {
    ForwardRecord record;
    return core_.UserServ() != nullptr && core_.UserServ()->GetForwardInfo(&record) && !record.AllEmpty();
}

bool MainDialog::ForwardMarkShown() const { return forwardMark_ != nullptr && !forwardMark_->isHidden(); }

} // namespace orv
