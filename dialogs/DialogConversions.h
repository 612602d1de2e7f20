#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

// The translations between the properties of CCommonDialogs and what Qt's dialogs take and give.
namespace DialogConversions {

// A "description|pattern|description|pattern" list as Qt name filters, in the same order. A
// pattern may hold several wildcards separated by ";". The list ends at its first empty item or
// at a description without a pattern, as a double NUL ends it in the platform's own record.
QStringList nameFilters(const QString &filterList);

// The text up to, not including, the first NUL; the whole text when it holds none.
QString cutAtNul(const QString &text);

struct SplitPath {
    QString folder; // no trailing separator, except for a root such as "/"; "C:" on Windows
    QString name;
};
SplitPath splitPath(const QString &nativePath);

// A Windows COLORREF keeps red in its lowest byte, then green, then blue; the top byte is unused.
QColor colorFromColorRef(qint32 colorRef);
qint32 colorRefFromColor(const QColor &color);

} // namespace DialogConversions
