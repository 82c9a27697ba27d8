// What the conference window takes from its skin file ("Conference.ini"): the control
// panel picture and its horizontal extent, the video background, the panel's buttons with
// their pictures (four looks side by side) and tooltips, and the member and message areas.
// A missing file or key leaves a usable default; every coordinate is clamped.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <string>
#include <vector>

namespace orv {

struct ConferenceSkinButton {
    QString name;  // "REQUEST", "INVITE", "EXIT"
    QRect rect;    // panel coordinates
    QString tooltip;
    QImage looks;  // normal, hover, pressed, disabled side by side (may be null)
};

struct ConferenceListArea {
    QRect rect;          // panel coordinates
    int lineHeight = 18;
    QImage icon;         // drawn at the start of each line (may be null)
};

struct ConferenceSkin {
    QImage panel;
    int panelLeft = 0;
    int panelRight = 220;
    QImage videoBack;
    QColor backColour{27, 30, 33};
    std::vector<ConferenceSkinButton> buttons;
    ConferenceListArea members{QRect(18, 72, 184, 154), 24, {}};
    ConferenceListArea messages{QRect(18, 254, 184, 148), 18, {}};

    int PanelWidth() const { return panelRight - panelLeft; }
    int PanelHeight() const { return panel.isNull() ? 420 : panel.height(); }
};

// Reads file (pictures relative to its folder).
ConferenceSkin ReadConferenceSkin(const std::string& file);

} // namespace orv
