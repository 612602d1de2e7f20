#include "dialogs/DialogConversions.h"

#include "platform/Platform.h"

namespace DialogConversions {

namespace {

// Qt reads the patterns from the last parenthesised group, separated by blanks. Its "*.*" wants
// a dot in the name, while the same pattern means "all files" to a Windows user, so it becomes
// "*" and a file such as README still shows.
QString qtPatterns(const QString &windowsPatterns)
{
    QStringList patterns;
    for (const QString &piece : windowsPatterns.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = piece.trimmed();
        if (pattern == QStringLiteral("*.*"))
            patterns.append(QStringLiteral("*"));
        else if (!pattern.isEmpty())
            patterns.append(pattern);
    }
    return patterns.join(u' ');
}

} // namespace

QStringList nameFilters(const QString &filterList)
{
    const QStringList items = filterList.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        const QString &description = items.at(i);
        const QString patterns = qtPatterns(items.at(i + 1));
        if (description.isEmpty() || patterns.isEmpty())
            break;
        filters.append(description + QStringLiteral(" (") + patterns + u')');
    }
    return filters;
}

QString cutAtNul(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

SplitPath splitPath(const QString &nativePath)
{
    qsizetype cut = nativePath.size() - 1;
    while (cut >= 0 && !Platform::isPathSeparator(nativePath.at(cut)))
        --cut;
    if (cut < 0)
        return {QString(), nativePath};
    // Left of the root's separator there is nothing on Unix; the root is the separator itself.
    const qsizetype folderLength = cut == 0 ? 1 : cut;
    return {nativePath.left(folderLength), nativePath.mid(cut + 1)};
}

QColor colorFromColorRef(qint32 colorRef)
{
    const auto bits = static_cast<quint32>(colorRef);
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}

qint32 colorRefFromColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    const auto bits = quint32(rgb.red()) | quint32(rgb.green()) << 8 | quint32(rgb.blue()) << 16;
    return static_cast<qint32>(bits);
}

} // namespace DialogConversions
