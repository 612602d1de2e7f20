#pragma once

#include <QFont>
#include <QString>

// The window's texts are drawn for Tahoma; where it is missing the system's sans-serif face
// stands in at the same size.
inline QFont designFont(qreal pointSize)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}
