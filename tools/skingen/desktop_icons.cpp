#include "tools/skingen/desktop_icons.h"

#include "tools/skingen/art.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace skingen {

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr char kIconName[] = "orvphone";

// The logo's parts on a square of side 1, scaled by the caller: body, title, accent.
constexpr double kCorner = 0.18;
constexpr double kTitleTop = 0.22, kTitleHeight = 0.40, kTitleSize = 0.34;
constexpr double kAccentLeft = 0.34, kAccentTop = 0.68, kAccentWidth = 0.32, kAccentHeight = 0.06;

QImage IconPicture(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QPainterPath body;
    body.addRoundedRect(QRectF(0, 0, size, size), size * kCorner, size * kCorner);
    p.fillPath(body, colours::kBody);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(std::max(1, static_cast<int>(size * kTitleSize)));
    p.setFont(font);
    p.setPen(colours::kTitle);
    p.drawText(QRectF(0, size * kTitleTop, size, size * kTitleHeight), Qt::AlignCenter, QStringLiteral("ORV"));
    p.fillRect(QRectF(size * kAccentLeft, size * kAccentTop, size * kAccentWidth, std::max(1.0, size * kAccentHeight)),
               colours::kGreen);
    return image;
}

QString Svg() {
    const auto n = [](double v) { return QString::number(v * 256, 'f', 1); };
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
               "  <rect width=\"256\" height=\"256\" rx=\"%1\" fill=\"%2\"/>\n"
               "  <text x=\"128\" y=\"%3\" text-anchor=\"middle\" dominant-baseline=\"central\" "
               "font-family=\"DejaVu Sans, sans-serif\" font-weight=\"bold\" font-size=\"%4\" fill=\"%5\">ORV</text>\n"
               "  <rect x=\"%6\" y=\"%7\" width=\"%8\" height=\"%9\" fill=\"%10\"/>\n"
               "</svg>\n")
        .arg(n(kCorner), colours::kBody.name(), n(kTitleTop + kTitleHeight / 2), n(kTitleSize), colours::kTitle.name(),
             n(kAccentLeft), n(kAccentTop), n(kAccentWidth), n(kAccentHeight))
        .arg(colours::kGreen.name());
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

bool WriteDesktopIcons(const QString& folder) {
    for (int size : kSizes) {
        const QString apps = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(apps) || !IconPicture(size).save(apps + "/" + kIconName + ".png", "PNG")) return false;
    }
    const QString scalable = folder + "/hicolor/scalable/apps";
    return QDir().mkpath(scalable) && WriteFile(scalable + "/" + kIconName + ".svg", Svg().toUtf8());
}

} // namespace skingen
