#include "engine/ConverterCommand.h"

#include "options/CompressionOptions.h"
#include "platform/Platform.h"

QString ConverterCommand::quoted(const QString &piece)
{
    const bool needsQuotes = piece.contains(u' ') || piece.contains(u'"') ||
                             piece.contains(u'\t') || piece.contains(u'\n');
    if (!needsQuotes)
        return piece;
    // Inside quotes a literal quote is written three times.
    QString escaped = piece;
    escaped.replace(QStringLiteral("\""), QStringLiteral("\"\"\""));
    return u'"' + escaped + u'"';
}

QString ConverterCommand::commandLine() const
{
    QString line = quoted(Platform::converterPath(programFolder)) + u' ' + quoted(input) + u' ';
    if (resizeText != CompressionOptions::unchangedSizeText())
        line += QStringLiteral(" -resize ") + quoted(resizeText);
    if (flattenOntoWhite)
        line += QStringLiteral(" -background white -alpha remove -alpha off");
    line += QStringLiteral(" -quality ") + QString::number(quality) + u' ' + quoted(output);
    return line;
}
