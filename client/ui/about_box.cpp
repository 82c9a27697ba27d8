#include "client/ui/about_box.h"

#include "client/skin/skin_picture.h"
#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef ORV_PROGRAM_VERSION
#define ORV_PROGRAM_VERSION ""
#endif

namespace orv {

namespace {
constexpr int kTextAboutTitle = 271;
constexpr int kTextFirstLine = 272;
constexpr int kTextReleaseLine = 274;
constexpr int kTextLastLine = 276;
constexpr int kLogoWidth = 240;
QString Q(const std::string& text) { return QString::fromStdString(text); }
} // namespace

std::string NormaliseFileVersion(const std::string& version) {
    std::string out;
    for (char c : version) {
        if (c == ' ') continue;
        out += c == ',' ? '.' : c;
    }
    return out.empty() ? std::string(" ") : out;
}

std::string ProgramFileVersion() { return NormaliseFileVersion(ORV_PROGRAM_VERSION); }

AboutBox::AboutBox(QWidget* owner, const TextTable& texts, const std::string& logoPath) : QDialog(owner) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(Q(texts.Text(kTextAboutTitle)));
    setStyleSheet(DialogStyleSheet());
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(18, 18, 18, 16);
    row->setSpacing(18);
    const QImage logo = LoadSkinPicture(logoPath);
    if (!logo.isNull()) {
        auto* picture = new QLabel(this);
        picture->setPixmap(QPixmap::fromImage(logo.scaledToWidth(kLogoWidth, Qt::SmoothTransformation)));
        row->addWidget(picture, 0, Qt::AlignTop);
    }
    auto* column = new QVBoxLayout();
    for (int number = kTextFirstLine; number <= kTextLastLine; ++number) {
        std::string line = texts.Text(number);
        if (number == kTextReleaseLine) line += ProgramFileVersion();
        auto* label = new QLabel(Q(line), this);
        label->setObjectName(QStringLiteral("line%1").arg(number));
        column->addWidget(label);
    }
    column->addStretch(1);
    auto* ok = new QPushButton(Q(texts.Text(kTextOk)), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    column->addWidget(ok, 0, Qt::AlignRight);
    row->addLayout(column);
}

} // namespace orv
