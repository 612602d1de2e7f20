#include "engine/ConverterCommand.h"

#include "platform/Platform.h"

#include <QRegularExpression>

#include <algorithm>

QString ConverterCommand::quoted(const QString &piece)
{
    // Any kind of blank splits a command line, the full-width one of Chinese input included.
    const bool needsQuotes =
        std::any_of(piece.cbegin(), piece.cend(), [](QChar c) { return c.isSpace() || c == u'"'; });
    if (!needsQuotes)
        return piece;
    // Inside quotes a literal quote is written three times.
    QString escaped = piece;
    escaped.replace(QStringLiteral("\""), QStringLiteral("\"\"\""));
    return u'"' + escaped + u'"';
}

bool ConverterCommand::isResizeGeometry(const QString &resizeText)
{
    static const QRegularExpression geometry(QStringLiteral("^ *[0-9xX.%!<>^@:+-]+ *$"));
    return geometry.match(resizeText).hasMatch();
}

QString ConverterCommand::commandLine() const
{
    QString line = quoted(Platform::converterPath(programFolder)) + u' ' + quoted(input) + u' ';
    if (!resizeText.isEmpty())
        line += QStringLiteral(" -resize ") + quoted(resizeText);
    if (flattenOntoWhite)
        line += QStringLiteral(" -background white -alpha remove -alpha off");
    line += QStringLiteral(" -quality ") + QString::number(quality) + u' ' + quoted(output);
    return line;
}
