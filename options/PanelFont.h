#pragma once

#include <QFont>
#include <QString>

// The options panel is drawn for Tahoma; where it is missing the system's sans-serif face
// stands in at the same size.
inline QFont panelFont(qreal pointSize)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}
