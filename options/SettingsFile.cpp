#include "options/SettingsFile.h"

#include "options/CompressionOptions.h"
#include "options/NumberConversion.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringConverter>
#include <QStringList>

namespace {

// Six short lines; anything past this is not a settings file and is not read into memory.
constexpr qint64 maxReadBytes = 1024 * 1024;

enum Line { FolderLine, QualityLine, ResizeLine, ThumbLine, CaptionLine, ChoiceLine, LineCount };

// A file that starts with it is UTF-8 whatever the system uses: an editor may have saved it so,
// and we write so what the system's code page cannot hold.
constexpr QByteArrayView utf8ByteOrderMark("\xEF\xBB\xBF");

QStringList readLines(const QString &path, QStringConverter::Encoding codePage)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.read(maxReadBytes);

    QStringDecoder decoder(codePage);
    if (bytes.startsWith(utf8ByteOrderMark)) {
        bytes.remove(0, utf8ByteOrderMark.size());
        decoder = QStringDecoder(QStringConverter::Utf8);
    }
    const QString text = decoder.decode(bytes);

    QStringList lines = text.split(u'\n');
    if (text.endsWith(u'\n'))
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

// A text that would break into two lines (a folder name may hold a line break) is written as
// its default, so that the lines after it keep their places.
QString oneLine(const QString &value, const QString &fallback)
{
    return value.contains(u'\n') || value.contains(u'\r') ? fallback : value;
}

// The code page, as the file has always been written, when it holds the text whole. A Western
// Windows has no Chinese in its code page: there even the default caption would come back as
// question marks, and a Chinese output folder as a path that names no folder.
QByteArray encoded(const QString &text, QStringConverter::Encoding codePage)
{
    const QByteArray inCodePage = QStringEncoder(codePage).encode(text);
    if (QStringDecoder(codePage).decode(inCodePage) == text)
        return inCodePage;
    return utf8ByteOrderMark.toByteArray() + text.toUtf8();
}

std::optional<qint16> roundedNumber(const QString &text)
{
    const auto value = NumberConversion::parse(text);
    return value ? NumberConversion::roundToInt16(*value) : std::nullopt;
}

} // namespace

void SettingsFile::LoadSettings(CompressionOptions &options, const QString &path,
                                QStringConverter::Encoding codePage)
{
    const QStringList lines = readLines(path, codePage);
    const auto has = [&lines](Line line) {
        return line < lines.size();
    };

    // The chooser only ever gives whole paths; anything else (an empty line, a fragment of a
    // damaged file) would send results to wherever the program was started, so the default
    // stays.
    if (has(FolderLine) && QDir::isAbsolutePath(lines[FolderLine]))
        options.setOutputFolder(lines[FolderLine]);

    if (has(QualityLine)) {
        if (const auto value = NumberConversion::parse(lines[QualityLine])) {
            if (const auto quality = NumberConversion::floorToInt16(*value))
                options.setQuality(*quality);
        }
    }

    if (has(ResizeLine))
        options.setResizeText(lines[ResizeLine]);

    if (has(ThumbLine)) {
        if (const auto designLeft = roundedNumber(lines[ThumbLine]))
            options.setThumbLeft(static_cast<float>(*designLeft * options.twipsPerPixelX() /
                                                    CompressionOptions::designTwipsPerPixel));
    }

    if (has(CaptionLine))
        options.setQualityCaptionText(lines[CaptionLine]);

    if (has(ChoiceLine)) {
        const auto choice = roundedNumber(lines[ChoiceLine]);
        options.restoreOutputChoice(choice.value_or(0));
    }
}

bool SettingsFile::SaveSettings(const CompressionOptions &options, const QString &path,
                                QString *errorMessage, QStringConverter::Encoding codePage)
{
    QStringList lines(LineCount);
    lines[FolderLine] = oneLine(options.OutputFolder(), CompressionOptions::defaultOutputFolder());
    lines[QualityLine] = QString::number(options.Quality());
    lines[ResizeLine] = oneLine(options.resizeText(), CompressionOptions::unchangedSizeText());
    lines[ThumbLine] = NumberConversion::writtenForm(double(options.thumbLeft()) *
                                                     CompressionOptions::designTwipsPerPixel /
                                                     options.twipsPerPixelX());
    lines[CaptionLine] =
        oneLine(options.qualityCaptionText(), CompressionOptions::defaultQualityCaption());
    lines[ChoiceLine] = NumberConversion::writtenForm(options.outputChoice());

    const QByteArray bytes =
        encoded(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), codePage);

    QDir().mkpath(QFileInfo(path).absolutePath());
    QString reason;
    if (AtomicFile::replace(AtomicFile::ownLinkTarget(path), bytes, &reason))
        return true;
    if (errorMessage) {
        *errorMessage = QStringLiteral("无法保存设置文件“%1”：%2。原来的设置文件保持不变。")
                            .arg(QDir::toNativeSeparators(path), reason);
    }
    return false;
}
