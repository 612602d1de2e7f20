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

ConverterCommand ConverterCommand::forRun(const QString &programFolder, const RunOptions &options,
                                          const QString &input, const QString &output,
                                          bool flattenOntoWhite)
{
    ConverterCommand command;
    command.programFolder = programFolder;
    command.input = input;
    command.resizeText = options.keepSize ? QString() : options.resizeText;
    command.quality = options.quality;
    command.output = output;
    command.flattenOntoWhite = flattenOntoWhite;
    return command;
}

QString ConverterCommand::decoderCommandLine(const QString &programFolder, const QString &input,
                                             const QString &output)
{
    return quoted(Platform::heifDecoderPath(programFolder)) + QStringLiteral(" --quiet ") +
           quoted(input) + u' ' + quoted(output);
}

bool ConverterCommand::exceedsLimits(quint64 width, quint64 height)
{
    // converter-policy.xml.in's "area", "width" and "height".
    constexpr quint64 largestArea = quint64(200) << 20;
    constexpr quint64 longestSide = 32 * 1024;
    return width > longestSide || height > longestSide || width * height > largestArea;
}

bool ConverterCommand::reads(ImageHeader::Format format)
{
    const QStringList formats = Platform::converterFormats();
    switch (format) {
    case ImageHeader::Format::Heic:
        return formats.contains(QStringLiteral("HEIC"));
    case ImageHeader::Format::Avif:
        return formats.contains(QStringLiteral("AVIF"));
    case ImageHeader::Format::Webp:
        return formats.contains(QStringLiteral("WEBP"));
    case ImageHeader::Format::Other:
        break;
    }
    return true;
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
